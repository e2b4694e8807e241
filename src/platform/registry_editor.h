#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry_key.h"

namespace orvix::platform {

// The predefined root keys, with the platform's handle numbers.
enum class RegistryRoot : uint32_t {
  kClassesRoot = 0x80000000,      // HKCR, HKEY_CLASSES_ROOT
  kCurrentUser = 0x80000001,      // HKCU, HKEY_CURRENT_USER
  kLocalMachine = 0x80000002,     // HKLM, HKEY_LOCAL_MACHINE
  kUsers = 0x80000003,            // HKU, HKEY_USERS
  kPerformanceData = 0x80000004,  // HKPD, HKEY_PERFORMANCE_DATA
  kCurrentConfig = 0x80000005,    // HKCC, HKEY_CURRENT_CONFIG
  kDynData = 0x80000006,          // HKDD, HKEY_DYN_DATA (gone since Windows 98; opens nothing)
};

enum class RegistryAccess {
  kFull,      // KEY_ALL_ACCESS: read, write values, create subkeys
  kReadOnly,  // KEY_READ: values and subkeys can be read, nothing written through the key
};

// Value types, with the platform's numbers.
enum class RegistryValueType : uint32_t {
  kString = 1,  // REG_SZ; the data carries its terminating zero byte
  kBinary = 3,  // REG_BINARY
  kDword = 4,   // REG_DWORD, four bytes, least significant first
};

// Writing access to the whole registry, for the COM registration. Nothing blocks beyond
// the registry's own short locks. Names are 8-bit text in the system code page and are
// compared by the registry without regard to letter case. `name` arguments name a subkey
// of `parent`; an empty name is refused by the operations that delete. A value name of ""
// is the key's default value. Failures change nothing unless the operation says otherwise
// and are not explained: the caller only learns that the operation did not happen.
class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;

  // One of the predefined roots. Never null; the root may still refuse what is asked of it.
  virtual RegistryKeyPtr OpenRoot(RegistryRoot root) = 0;

  // Opens the existing subkey `name` of `parent` with `access`. Null when it does not exist
  // or that access is refused.
  virtual RegistryKeyPtr OpenKey(RegistryKey& parent, const char* name, RegistryAccess access) = 0;

  // Opens the subkey `name` of `parent` with full access, creating it, non-volatile, when it
  // does not exist. Null when it can neither be created nor opened so.
  virtual RegistryKeyPtr CreateKey(RegistryKey& parent, const char* name) = 0;

  // Sets the value `name` of `key` to `size` bytes of `data` (null allowed when `size` is 0),
  // replacing whatever value of that name was there. False when it cannot be written.
  virtual bool SetValue(RegistryKey& key, const char* name, RegistryValueType type, const uint8_t* data,
                        size_t size) = 0;

  // Removes the value `name` of `key`. False when there is no such value or it cannot be
  // removed.
  virtual bool DeleteValue(RegistryKey& key, const char* name) = 0;

  // Removes the subkey `name` of `parent` with its values. False when it does not exist,
  // still has subkeys, or cannot be removed. The access `parent` was opened with does not
  // matter. Open keys of the removed key go stale: every later operation on them fails.
  virtual bool DeleteKey(RegistryKey& parent, const char* name) = 0;

  // Removes the subkey `name` of `parent` and everything below it, deepest keys first. False
  // when it does not exist or some part cannot be removed; the keys removed before the
  // failure stay removed.
  virtual bool DeleteTree(RegistryKey& parent, const char* name) = 0;

  // The name of the subkey at `index` (0 upwards, in the registry's order) into `*name`.
  // False past the last subkey or when the key cannot be read.
  virtual bool EnumSubkey(RegistryKey& key, uint32_t index, std::string* name) = 0;

  // The numbers of subkeys and of values (the default value counted when it is set). False
  // when the key cannot be read; the counts are then untouched.
  virtual bool QueryCounts(RegistryKey& key, uint32_t* subkeys, uint32_t* values) = 0;

  // The name of the value at `index` (0 upwards) into `*name`; "" for the default value.
  // False past the last value or when the key cannot be read.
  virtual bool EnumValueName(RegistryKey& key, uint32_t index, std::string* name) = 0;
};

}  // namespace orvix::platform
