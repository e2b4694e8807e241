#pragma once
#include "platform/registry_editor.h"

namespace orvix::win32 {

// The registry through the ANSI functions of ADVAPI32, for the COM registration. Keys handed
// out own their HKEY and close it when destroyed; roots stand for the predefined handles and
// close nothing.
class Win32RegistryEditor : public platform::RegistryEditor {
 public:
  platform::RegistryKeyPtr OpenRoot(platform::RegistryRoot root) override;
  platform::RegistryKeyPtr OpenKey(platform::RegistryKey& parent, const char* name,
                                   platform::RegistryAccess access) override;
  platform::RegistryKeyPtr CreateKey(platform::RegistryKey& parent, const char* name) override;
  bool SetValue(platform::RegistryKey& key, const char* name, platform::RegistryValueType type,
                const uint8_t* data, size_t size) override;
  bool DeleteValue(platform::RegistryKey& key, const char* name) override;
  bool DeleteKey(platform::RegistryKey& parent, const char* name) override;
  bool DeleteTree(platform::RegistryKey& parent, const char* name) override;
  bool EnumSubkey(platform::RegistryKey& key, uint32_t index, std::string* name) override;
  bool QueryCounts(platform::RegistryKey& key, uint32_t* subkeys, uint32_t* values) override;
  bool EnumValueName(platform::RegistryKey& key, uint32_t index, std::string* name) override;
};

}  // namespace orvix::win32
