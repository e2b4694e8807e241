#pragma once
#include <memory>

namespace orvix::platform {

// An open registry key, as the RegistryReader and the RegistryEditor hand it out. Destroying
// it closes it; a root key is never closed. A key is only ever handed back to the registry
// object that gave it out (or, where one object is both, to either role), and it dies before
// that object. Its access is the one it was opened with: writing through a read-only key
// fails.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
};

using RegistryKeyPtr = std::unique_ptr<RegistryKey>;

}  // namespace orvix::platform
