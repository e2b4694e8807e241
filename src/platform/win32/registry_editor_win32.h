#pragma once
#include "platform/registry_editor.h"

namespace orvix::platform::win32 {

// The registry through the ANSI functions of ADVAPI32, for the COM registration. Keys handed
// out own their HKEY and close it when destroyed; roots stand for the predefined handles and
// close nothing.
class Win32RegistryEditor : public RegistryEditor {
 public:
  RegistryKeyPtr OpenRoot(RegistryRoot root) override;
  RegistryKeyPtr OpenKey(RegistryKey& parent, const char* name, RegistryAccess access) override;
  RegistryKeyPtr CreateKey(RegistryKey& parent, const char* name) override;
  bool SetValue(RegistryKey& key, const char* name, RegistryValueType type, const uint8_t* data,
                size_t size) override;
  bool DeleteValue(RegistryKey& key, const char* name) override;
  bool DeleteKey(RegistryKey& parent, const char* name) override;
  bool DeleteTree(RegistryKey& parent, const char* name) override;
  bool EnumSubkey(RegistryKey& key, uint32_t index, std::string* name) override;
  bool QueryCounts(RegistryKey& key, uint32_t* subkeys, uint32_t* values) override;
  bool EnumValueName(RegistryKey& key, uint32_t index, std::string* name) override;
};

}  // namespace orvix::platform::win32
