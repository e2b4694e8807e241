#pragma once
#include <windows.h>

#include "platform/registry_reader.h"

namespace orvix::win32 {

// The device profile through the registry functions of ADVAPI32. Keys are opened with
// KEY_READ under HKEY_LOCAL_MACHINE and handed out as Win32RegistryKey, which closes them.
// The DLL reads the view of the process it is loaded into; a view flag (KEY_WOW64_64KEY or
// KEY_WOW64_32KEY) reads the other one, as orvixcheck's support report does.
class Win32RegistryReader : public platform::RegistryReader {
 public:
  explicit Win32RegistryReader(REGSAM viewFlag = 0) : viewFlag_(viewFlag) {}

  platform::RegistryKeyPtr OpenLocalMachineKey(const char* path) override;
  bool QueryValueCount(platform::RegistryKey& key, uint32_t* count) override;
  Status EnumValueName(platform::RegistryKey& key, uint32_t index, char* name, uint32_t* nameLength) override;
  Status QueryValue(platform::RegistryKey& key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override;

 private:
  REGSAM viewFlag_;
};

}  // namespace orvix::win32
