#include "harness_link.h"

#include <windows.h>

#include "process_probe.h"
#include "win32/unique_any.h"

namespace orvix::wine_client {

std::wstring HarnessLink::PathOf(const char* name, const char* suffix) const {
  std::wstring path = folder_ + L"\\";
  for (const char* c = name; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
  for (const char* c = suffix; *c != '\0'; ++c) path += static_cast<wchar_t>(*c);
  return path;
}

bool HarnessLink::WriteData(const char* name, const void* data, size_t size) const {
  // Written under another name and then renamed, so that the harness never reads half a file.
  const std::wstring temporary = PathOf(name, ".part");
  win32::UniqueFile file(
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const char* bytes = static_cast<const char*>(data);
  bool written = true;
  while (written && size > 0) {
    DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
    DWORD put = 0;
    written = WriteFile(file.get(), bytes, chunk, &put, nullptr) && put == chunk;
    bytes += chunk;
    size -= chunk;
  }
  file.reset();  // closed before the rename, which a file still open would refuse
  return written && MoveFileExW(temporary.c_str(), PathOf(name, "").c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool HarnessLink::Flagged(const char* name) const {
  return GetFileAttributesW(PathOf(name, ".flag").c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HarnessLink::Step(const char* name) {
  if (!WriteData((std::string(name) + ".step").c_str(), "", 0)) return false;
  const std::wstring go = PathOf(name, ".go");
  const int64_t deadline = MonotonicNs() + static_cast<int64_t>(kStepTimeoutMs) * 1000000;
  while (GetFileAttributesW(go.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (MonotonicNs() > deadline) return false;
    Sleep(5);
  }
  return true;
}

}  // namespace orvix::wine_client
