#include "registry_view.h"

#include <cstdio>

namespace orvixcheck {
namespace {

using Registry = orvix::platform::RegistryReader;

// An open key, closed when this goes out of scope.
class KeyHolder {
 public:
  explicit KeyHolder(HKEY key) : key_(key) {}
  ~KeyHolder() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_;
};

Registry::Status StatusOf(LONG error) {
  switch (error) {
    case ERROR_SUCCESS: return Registry::Status::kOk;
    case ERROR_MORE_DATA: return Registry::Status::kMoreData;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_ITEMS: return Registry::Status::kNotFound;
    default: return Registry::Status::kError;
  }
}

// A value's data as `reg query` shows it: texts as they are, numbers in hexadecimal, other
// data as hexadecimal bytes.
std::string DataText(DWORD type, const std::vector<BYTE>& data) {
  char buffer[16];
  std::string text;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      text.assign(reinterpret_cast<const char*>(data.data()), data.size());
      return text.substr(0, text.find('\0'));
    case REG_MULTI_SZ:
      for (BYTE byte : data) text += byte == 0 ? '|' : static_cast<char>(byte);
      return text;
    case REG_DWORD:
      if (data.size() == 4) {
        std::snprintf(buffer, sizeof buffer, "0x%lx",
                      static_cast<unsigned long>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24));
        return buffer;
      }
      break;
  }
  for (BYTE byte : data) {
    std::snprintf(buffer, sizeof buffer, "%02X ", byte);
    text += buffer;
  }
  return text;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_DWORD: return "REG_DWORD";
    case REG_BINARY: return "REG_BINARY";
    default: return "REG_OTHER";
  }
}

// Calls `visit(name, type, data)` for each value of `key`.
template <typename Visit>
void ForEachValue(HKEY key, Visit visit) {
  char name[16384];
  std::vector<BYTE> data(65536);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = sizeof name;
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LONG error = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data.data(), &size);
    if (error == ERROR_MORE_DATA) continue;  // larger than anything that belongs here
    if (error != ERROR_SUCCESS) break;
    visit(std::string(name, nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + size));
  }
}

}  // namespace

HKEY RegistryView::Open(HKEY root, const std::string& path) const {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | viewFlag_, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

Registry::Key RegistryView::OpenLocalMachineKey(const char* path) {
  return reinterpret_cast<Key>(Open(HKEY_LOCAL_MACHINE, path));
}

bool RegistryView::QueryValueCount(Key key, uint32_t* count) {
  DWORD values = 0;
  if (RegQueryInfoKeyA(reinterpret_cast<HKEY>(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  *count = values;
  return true;
}

Registry::Status RegistryView::EnumValueName(Key key, uint32_t index, char* name, uint32_t* nameLength) {
  DWORD length = *nameLength;
  const Status status =
      StatusOf(RegEnumValueA(reinterpret_cast<HKEY>(key), index, name, &length, nullptr, nullptr, nullptr, nullptr));
  if (status != Status::kOk) return status;
  if (length >= *nameLength) return Status::kMoreData;
  *nameLength = length;
  return status;
}

Registry::Status RegistryView::QueryValue(Key key, const char* name, uint32_t* type, uint8_t* data, uint32_t* size) {
  DWORD valueType = 0;
  DWORD valueSize = *size;
  const Status status =
      StatusOf(RegQueryValueExA(reinterpret_cast<HKEY>(key), name, nullptr, &valueType, data, &valueSize));
  if (status == Status::kOk) {
    *type = valueType;
    *size = valueSize;
  }
  return status;
}

void RegistryView::CloseKey(Key key) {
  if (key != kNoKey) RegCloseKey(reinterpret_cast<HKEY>(key));
}

std::string RegistryView::Text(HKEY root, const std::string& path, const char* name) const {
  KeyHolder key(Open(root, path));
  char data[1024] = {};
  DWORD type = 0;
  DWORD size = sizeof data - 1;
  if (key.get() == nullptr || RegQueryValueExA(key.get(), name, nullptr, &type,
                                               reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::string();
  }
  return data;
}

std::vector<std::pair<std::string, std::string>> RegistryView::Values(HKEY root, const std::string& path) const {
  std::vector<std::pair<std::string, std::string>> values;
  KeyHolder key(Open(root, path));
  if (key.get() == nullptr) return values;
  ForEachValue(key.get(), [&](const std::string& name, DWORD type, const std::vector<BYTE>& data) {
    values.emplace_back(name, DataText(type, data));
  });
  return values;
}

void RegistryView::Dump(HKEY root, const std::string& rootName, const std::string& path,
                        std::vector<std::string>* lines) const {
  KeyHolder key(Open(root, path));
  if (key.get() == nullptr) return;
  lines->push_back(rootName + "\\" + path);
  ForEachValue(key.get(), [&](const std::string& name, DWORD type, const std::vector<BYTE>& data) {
    lines->push_back("    " + (name.empty() ? std::string("(default)") : name) + "    " + TypeName(type) + "    " +
                     DataText(type, data));
  });
  char subkey[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof subkey;
    if (RegEnumKeyExA(key.get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Dump(root, rootName, path + "\\" + subkey, lines);
  }
}

}  // namespace orvixcheck
