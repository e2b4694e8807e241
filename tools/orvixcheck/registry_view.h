#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "win32/registry_reader_win32.h"
#include "win32/unique_any.h"

namespace orvixcheck {

// One view of the registry. On 64-bit Windows, 64-bit programs (and the x64 ORVIX.DLL) see
// the 64-bit view and 32-bit programs the 32-bit one; a view flag reads the other.
class RegistryView {
 public:
  // KEY_WOW64_64KEY, KEY_WOW64_32KEY, or 0 for this program's own view.
  explicit RegistryView(REGSAM viewFlag) : viewFlag_(viewFlag), reader_(viewFlag) {}

  // The view as ORVIX.DLL's profile reader sees it.
  orvix::platform::RegistryReader& reader() { return reader_; }

  // The text value `name` of root\path ("" for the default value); empty when missing.
  std::string Text(HKEY root, const std::string& path, const char* name) const;

  // The values of root\path as "name = data" pairs, in the registry's order.
  std::vector<std::pair<std::string, std::string>> Values(HKEY root, const std::string& path) const;

  // root\path with its values and all its subkeys, one line per key and per value, each
  // value's data with its type; nothing when the key does not exist.
  void Dump(HKEY root, const std::string& rootName, const std::string& path, std::vector<std::string>* lines) const;

 private:
  orvix::win32::UniqueHkey Open(HKEY root, const std::string& path) const;

  REGSAM viewFlag_;
  orvix::win32::Win32RegistryReader reader_;
};

}  // namespace orvixcheck
