#pragma once
#include "platform/registry_reader.h"

namespace orvix::win32 {

// The device profile through the registry functions of ADVAPI32. Keys are opened with
// KEY_READ under HKEY_LOCAL_MACHINE; the Key handed out is the HKEY itself, which CloseKey
// gives back to the registry.
class Win32RegistryReader : public platform::RegistryReader {
 public:
  Key OpenLocalMachineKey(const char* path) override;
  bool QueryValueCount(Key key, uint32_t* count) override;
  Status EnumValueName(Key key, uint32_t index, char* name, uint32_t* nameLength) override;
  Status QueryValue(Key key, const char* name, uint32_t* type, uint8_t* data, uint32_t* size) override;
  void CloseKey(Key key) override;
};

}  // namespace orvix::win32
