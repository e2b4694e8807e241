// A stand-in for regsvr32.exe, put where install.cmd and uninstall.cmd look for the regsvr32
// of an architecture that this Wine cannot run (the 32-bit one in SysWOW64, or the one of a
// 32-bit Windows). It registers nothing: it appends one line to regsvr32-calls.txt beside
// itself, its own path and then each argument, separated by tabs, in UTF-8, and exits with
// the number found in regsvr32-exit.txt beside itself (0 when there is no such file), so
// that a scenario can make the registration fail as the real program would.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring Beside(const std::wstring& self, const wchar_t* name) {
  const size_t slash = self.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : self.substr(0, slash + 1)) + name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring self = OwnPath();
  std::string line = Utf8(self);
  for (int i = 1; i < argc; ++i) line += "\t" + Utf8(argv[i]);
  line += "\n";

  if (std::FILE* calls = _wfopen(Beside(self, L"regsvr32-calls.txt").c_str(), L"ab")) {
    std::fwrite(line.data(), 1, line.size(), calls);
    std::fclose(calls);
  }

  int exitCode = 0;
  if (std::FILE* wanted = _wfopen(Beside(self, L"regsvr32-exit.txt").c_str(), L"rb")) {
    if (std::fscanf(wanted, "%d", &exitCode) != 1) exitCode = 0;
    std::fclose(wanted);
  }
  return exitCode;
}
