#include "win32/registry_reader_win32.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "win32/registry_key_win32.h"

namespace orvix::win32 {

using platform::RegistryKey;
using platform::RegistryKeyPtr;
using platform::RegistryReader;

namespace {

RegistryReader::Status StatusOf(LONG error) {
  switch (error) {
    case ERROR_SUCCESS: return RegistryReader::Status::kOk;
    case ERROR_MORE_DATA: return RegistryReader::Status::kMoreData;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_ITEMS: return RegistryReader::Status::kNotFound;
    default: return RegistryReader::Status::kError;
  }
}

}  // namespace

RegistryKeyPtr Win32RegistryReader::OpenLocalMachineKey(const char* path) {
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | viewFlag_, key.put()) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(std::move(key));
}

bool Win32RegistryReader::QueryValueCount(RegistryKey& key, uint32_t* count) {
  DWORD values = 0;
  const LONG error = RegQueryInfoKeyA(HandleOf(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                      nullptr, nullptr, nullptr, nullptr);
  if (error != ERROR_SUCCESS) return false;
  *count = values;
  return true;
}

RegistryReader::Status Win32RegistryReader::EnumValueName(RegistryKey& key, uint32_t index, char* name,
                                                           uint32_t* nameLength) {
  if (*nameLength == 0) return Status::kMoreData;
  DWORD length = *nameLength;
  const Status status =
      StatusOf(RegEnumValueA(HandleOf(key), index, name, &length, nullptr, nullptr, nullptr, nullptr));
  if (status != Status::kOk) return status;
  // The registry counts without the terminator and writes one; a length that leaves no room
  // for it would mean the name was not delivered whole.
  if (length >= *nameLength) return Status::kMoreData;
  name[length] = '\0';
  *nameLength = length;
  return status;
}

RegistryReader::Status Win32RegistryReader::QueryValue(RegistryKey& key, const char* name, uint32_t* type,
                                                        uint8_t* data, uint32_t* size) {
  DWORD valueType = 0;
  DWORD valueSize = *size;
  const Status status = StatusOf(RegQueryValueExA(HandleOf(key), name, nullptr, &valueType, data, &valueSize));
  if (status != Status::kOk) return status;
  if (valueSize > *size) return Status::kMoreData;
  *type = valueType;
  *size = valueSize;
  return status;
}

}  // namespace orvix::win32
