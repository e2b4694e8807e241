#include "link/port_name.h"

#include <cstring>
#include <string>

namespace orvix {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Windows maps "NUL.txt", "nul:" and "NUL " to the device as well.
bool IsDosDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find_first_of(".:"));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = Upper(c);
  for (const char* device : {"NUL", "CON", "PRN", "AUX", "CONIN$", "CONOUT$"}) {
    if (base == device) return true;
  }
  // LPT with one digit; Windows counts the code page's superscripts one to three as digits.
  return base.size() == 4 && base.compare(0, 3, "LPT") == 0 &&
         ((base[3] >= '0' && base[3] <= '9') || std::strchr("\xB9\xB2\xB3", base[3]) != nullptr);
}

}  // namespace

bool IsRefusedPortName(const char* name) {
  std::string rest = name;
  if (rest.empty()) return false;
  // Windows reads a forward slash as a backslash.
  for (char& c : rest) c = c == '/' ? '\\' : c;
  const bool devicePrefix = rest.compare(0, 4, "\\\\.\\") == 0 || rest.compare(0, 4, "\\\\?\\") == 0;
  if (devicePrefix) rest.erase(0, 4);
  // A backslash left makes it a path: UNC, a pipe, a volume, a folder, the current drive's root.
  if (rest.empty() || rest.find('\\') != std::string::npos) return true;
  // A colon other than a closing one is a drive (C:log.txt) or a file's stream; a drive alone
  // ("D:") is one letter and a colon.
  const size_t colon = rest.find(':');
  if (colon != std::string::npos && (colon + 1 != rest.size() || colon == 1)) return true;
  return IsDosDeviceName(rest);
}

}  // namespace orvix
