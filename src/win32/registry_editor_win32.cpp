#include "win32/registry_editor_win32.h"

#include <windows.h>

#include <limits>
#include <memory>
#include <utility>

#include "win32/registry_key_win32.h"

namespace orvix::win32 {

using platform::RegistryAccess;
using platform::RegistryKey;
using platform::RegistryKeyPtr;
using platform::RegistryRoot;
using platform::RegistryValueType;

namespace {

// Key names are at most 255 characters; value names at most 16383.
constexpr DWORD kKeyNameCapacity = 256;
constexpr DWORD kValueNameCapacity = 16384;

RegistryKeyPtr KeyFrom(UniqueHkey opened) { return std::make_unique<Win32RegistryKey>(std::move(opened)); }

bool IsEmpty(const char* name) { return name == nullptr || name[0] == '\0'; }

// RegDeleteTree is missing before Vista, so the subtree goes key by key, deepest first.
// Always taking subkey 0 keeps the enumeration valid while keys disappear.
LONG DeleteSubtree(HKEY parent, const char* name) {
  UniqueHkey key;
  LONG error = RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, key.put());
  while (error == ERROR_SUCCESS) {
    char child[kKeyNameCapacity];
    DWORD length = kKeyNameCapacity;
    error = RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_SUCCESS) error = DeleteSubtree(key.get(), child);
  }
  if (error != ERROR_NO_MORE_ITEMS) return error;
  key.reset();
  return RegDeleteKeyA(parent, name);
}

}  // namespace

RegistryKeyPtr Win32RegistryEditor::OpenRoot(RegistryRoot root) {
  HKEY predefined = HKEY_CLASSES_ROOT;
  switch (root) {
    case RegistryRoot::kClassesRoot: predefined = HKEY_CLASSES_ROOT; break;
    case RegistryRoot::kCurrentUser: predefined = HKEY_CURRENT_USER; break;
    case RegistryRoot::kLocalMachine: predefined = HKEY_LOCAL_MACHINE; break;
    case RegistryRoot::kUsers: predefined = HKEY_USERS; break;
    case RegistryRoot::kPerformanceData: predefined = HKEY_PERFORMANCE_DATA; break;
    case RegistryRoot::kCurrentConfig: predefined = HKEY_CURRENT_CONFIG; break;
    case RegistryRoot::kDynData: predefined = HKEY_DYN_DATA; break;
  }
  return std::make_unique<Win32RegistryKey>(predefined);
}

RegistryKeyPtr Win32RegistryEditor::OpenKey(RegistryKey& parent, const char* name, RegistryAccess access) {
  const REGSAM rights = access == RegistryAccess::kFull ? KEY_ALL_ACCESS : KEY_READ;
  UniqueHkey key;
  if (RegOpenKeyExA(HandleOf(parent), name, 0, rights, key.put()) != ERROR_SUCCESS) return nullptr;
  return KeyFrom(std::move(key));
}

RegistryKeyPtr Win32RegistryEditor::CreateKey(RegistryKey& parent, const char* name) {
  UniqueHkey key;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HandleOf(parent), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      key.put(), &disposition) != ERROR_SUCCESS) {
    return nullptr;
  }
  return KeyFrom(std::move(key));
}

bool Win32RegistryEditor::SetValue(RegistryKey& key, const char* name, RegistryValueType type, const uint8_t* data,
                                   size_t size) {
  static const BYTE kNothing = 0;
  if (size > std::numeric_limits<DWORD>::max()) return false;
  return RegSetValueExA(HandleOf(key), name, 0, static_cast<DWORD>(type), data != nullptr ? data : &kNothing,
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

bool Win32RegistryEditor::DeleteValue(RegistryKey& key, const char* name) {
  return RegDeleteValueA(HandleOf(key), name) == ERROR_SUCCESS;
}

// An empty name would remove `parent` itself.
bool Win32RegistryEditor::DeleteKey(RegistryKey& parent, const char* name) {
  return !IsEmpty(name) && RegDeleteKeyA(HandleOf(parent), name) == ERROR_SUCCESS;
}

bool Win32RegistryEditor::DeleteTree(RegistryKey& parent, const char* name) {
  return !IsEmpty(name) && DeleteSubtree(HandleOf(parent), name) == ERROR_SUCCESS;
}

bool Win32RegistryEditor::EnumSubkey(RegistryKey& key, uint32_t index, std::string* name) {
  char buffer[kKeyNameCapacity];
  DWORD length = kKeyNameCapacity;
  if (RegEnumKeyExA(HandleOf(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  name->assign(buffer, length);
  return true;
}

bool Win32RegistryEditor::QueryCounts(RegistryKey& key, uint32_t* subkeys, uint32_t* values) {
  DWORD subkeyCount = 0;
  DWORD valueCount = 0;
  if (RegQueryInfoKeyA(HandleOf(key), nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr, &valueCount, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  *subkeys = subkeyCount;
  *values = valueCount;
  return true;
}

bool Win32RegistryEditor::EnumValueName(RegistryKey& key, uint32_t index, std::string* name) {
  std::string buffer(kValueNameCapacity, '\0');
  DWORD length = kValueNameCapacity;
  if (RegEnumValueA(HandleOf(key), index, &buffer[0], &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(length);
  *name = std::move(buffer);
  return true;
}

}  // namespace orvix::win32
