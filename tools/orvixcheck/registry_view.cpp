#include "registry_view.h"

#include <cstdio>

namespace orvixcheck {
namespace {

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

orvix::win32::UniqueHkey RegistryView::Open(HKEY root, const std::string& path) const {
  orvix::win32::UniqueHkey key;
  RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | viewFlag_, key.put());
  return key;
}

std::string RegistryView::Text(HKEY root, const std::string& path, const char* name) const {
  const orvix::win32::UniqueHkey key = Open(root, path);
  char data[1024] = {};
  DWORD type = 0;
  DWORD size = sizeof data - 1;
  if (!key || RegQueryValueExA(key.get(), name, nullptr, &type,
                                               reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::string();
  }
  return data;
}

std::vector<std::pair<std::string, std::string>> RegistryView::Values(HKEY root, const std::string& path) const {
  std::vector<std::pair<std::string, std::string>> values;
  const orvix::win32::UniqueHkey key = Open(root, path);
  if (!key) return values;
  ForEachValue(key.get(), [&](const std::string& name, DWORD type, const std::vector<BYTE>& data) {
    values.emplace_back(name, DataText(type, data));
  });
  return values;
}

void RegistryView::Dump(HKEY root, const std::string& rootName, const std::string& path,
                        std::vector<std::string>* lines) const {
  const orvix::win32::UniqueHkey key = Open(root, path);
  if (!key) return;
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
