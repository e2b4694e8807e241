#pragma once
#include <windows.h>

#include <utility>

#include "platform/registry_key.h"
#include "win32/unique_any.h"

namespace orvix::win32 {

// A key as the Win32 registry reader and editor hand it out: it owns the HKEY that it opened
// and closes it when destroyed. A predefined root is only referred to: this code never
// opened it, so it has nothing to close.
class Win32RegistryKey : public platform::RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY predefined) : handle_(predefined) {}
  explicit Win32RegistryKey(UniqueHkey opened) : opened_(std::move(opened)), handle_(opened_.get()) {}

  HKEY handle() const { return handle_; }

 private:
  UniqueHkey opened_;  // empty for a predefined root
  HKEY handle_;
};

// The HKEY of a key that a Win32 reader or editor handed out.
inline HKEY HandleOf(platform::RegistryKey& key) { return static_cast<Win32RegistryKey&>(key).handle(); }

}  // namespace orvix::win32
