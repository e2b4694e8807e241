#pragma once
#include <cstdint>

#include "platform/registry_key.h"

namespace orvix::platform {

// Read-only access to keys under HKEY_LOCAL_MACHINE, for the device profile. Keys are handed
// out as the RegistryEditor hands them out (see RegistryKey).
class RegistryReader {
 public:
  enum class Status {
    kOk,
    kNotFound,   // no such value, or no value at that index
    kMoreData,   // the buffer was too small; nothing usable was delivered
    kError,      // any other failure
  };

  // Registry value types, with the platform's numbers.
  static constexpr uint32_t kTypeString = 1;        // REG_SZ
  static constexpr uint32_t kTypeExpandString = 2;  // REG_EXPAND_SZ, delivered unexpanded
  static constexpr uint32_t kTypeBinary = 3;        // REG_BINARY
  static constexpr uint32_t kTypeDword = 4;         // REG_DWORD

  virtual ~RegistryReader() = default;

  // Opens HKLM\`path` for reading. Null when the key cannot be opened. The caller owns the
  // key; destroying it closes it.
  virtual RegistryKeyPtr OpenLocalMachineKey(const char* path) = 0;

  // Number of values of the key. False when it cannot be read.
  virtual bool QueryValueCount(RegistryKey& key, uint32_t* count) = 0;

  // Name of the value at `index`. `*nameLength` is the capacity of `name` in characters,
  // terminator included; on kOk it becomes the name's length without the terminator and
  // `name` is NUL-terminated. A name that does not fit gives kMoreData.
  virtual Status EnumValueName(RegistryKey& key, uint32_t index, char* name, uint32_t* nameLength) = 0;

  // Data of the value `name`. `*size` is the capacity of `data` in bytes; on kOk it becomes
  // the number of bytes delivered and `*type` the value's type. Data that does not fit gives
  // kMoreData and leaves the contents of `data` unspecified. Text values are delivered as
  // stored, which may or may not include a terminating NUL.
  virtual Status QueryValue(RegistryKey& key, const char* name, uint32_t* type, uint8_t* data, uint32_t* size) = 0;
};

}  // namespace orvix::platform
