#include "process_probe.h"

#include <windows.h>

#include "win32/unique_any.h"

namespace orvix::wine_client {

uintptr_t FreshHandleValue() {
  const win32::UniqueEvent event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return reinterpret_cast<uintptr_t>(event.get());
}

size_t CommittedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* address = nullptr;
  while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

uint64_t ThreadCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return ticks(kernel) + ticks(user);
}

int64_t RealtimeNs() {
  // FILETIME counts 100-ns units from 1601; Wine fills it from CLOCK_REALTIME.
  constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  return (ticks - kUnixEpochIn100ns) * 100;
}

int64_t MonotonicNs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<int64_t>(static_cast<long double>(counter.QuadPart) * 1e9L / frequency);
}

}  // namespace orvix::wine_client
