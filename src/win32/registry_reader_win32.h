#pragma once
#include "platform/registry_reader.h"

namespace orvix::win32 {

// The device profile through the registry functions of ADVAPI32. Keys are opened with
// KEY_READ under HKEY_LOCAL_MACHINE and handed out as Win32RegistryKey, which closes them.
class Win32RegistryReader : public platform::RegistryReader {
 public:
  platform::RegistryKeyPtr OpenLocalMachineKey(const char* path) override;
  bool QueryValueCount(platform::RegistryKey& key, uint32_t* count) override;
  Status EnumValueName(platform::RegistryKey& key, uint32_t index, char* name, uint32_t* nameLength) override;
  Status QueryValue(platform::RegistryKey& key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override;
};

}  // namespace orvix::win32
