// What a leak leaves behind, measured the ways that work under Wine: GetProcessHandleCount
// and GetProcessMemoryInfo tell nothing there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvix::wine_client {

// The value of a new handle (an event, closed again at once). Wine hands out the lowest free
// slot, so every handle leaked below it pushes the value up by 4.
uintptr_t FreshHandleValue();

// Committed private memory of the process, summed over its regions.
size_t CommittedPrivateBytes();

// CPU time this thread has used, user and kernel together, in 100-ns units.
uint64_t ThreadCpuTime();

// The real-time clock in nanoseconds since 1970, as Linux keeps it (CLOCK_REALTIME), so that
// a program outside Wine can compare its own times with it.
int64_t RealtimeNs();

// A monotonic clock in nanoseconds for intervals.
int64_t MonotonicNs();

}  // namespace orvix::wine_client
