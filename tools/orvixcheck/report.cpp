// The support report: what a support engineer asks for first, in one text file. It only
// reads; the display is not touched.
#include <windows.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "orvixcheck.h"
#include "profile.h"
#include "registry_view.h"

namespace orvixcheck {
namespace {

constexpr size_t kLogLines = 50;

struct View {
  const char* name;
  REGSAM flag;
};

// The views an application can see: both on 64-bit Windows, the one on 32-bit Windows.
std::vector<View> Views() {
  if (WindowsIs64Bit()) return {{"64-bit view", KEY_WOW64_64KEY}, {"32-bit view", KEY_WOW64_32KEY}};
  return {{"registry", 0}};
}

std::string WindowsVersion() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  // GetVersionEx reports what the program's manifest allows; ntdll reports the truth.
  auto getVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (getVersion == nullptr || getVersion(&version) != 0) return "unknown";
  return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
         std::to_string(version.dwBuildNumber);
}

// The last kLogLines lines of `path`, or why there are none.
std::vector<std::string> Tail(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {"(no such file)"};
  std::deque<std::string> lines(1);
  for (int c; (c = std::fgetc(file)) != EOF;) {
    if (c == '\n') {
      if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
      lines.emplace_back();
      if (lines.size() > kLogLines + 1) lines.pop_front();
    } else {
      lines.back() += static_cast<char>(c);
    }
  }
  std::fclose(file);
  if (lines.back().empty()) lines.pop_back();
  return std::vector<std::string>(lines.begin(), lines.end());
}

class Report {
 public:
  explicit Report(std::FILE* file) : file_(file) {}
  void Heading(const std::string& text) { std::fprintf(file_, "\n== %s\n", text.c_str()); }
  void Line(const std::string& text) { std::fprintf(file_, "%s\n", text.c_str()); }

 private:
  std::FILE* file_;
};

void WriteRegistration(Report& report, const View& view) {
  report.Heading(std::string("Registration, ") + view.name);
  const RegistryView registry(view.flag);
  std::vector<std::string> lines;
  for (const char* key : {"OPOS.ORVIX", "CLSID\\{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}",
                          "TypeLib\\{58CAD687-682D-4987-83D5-3F4F4F81B6D0}",
                          "Interface\\{8BD6BAC9-CC9C-4030-8678-C64DB1C789A3}"}) {
    const size_t before = lines.size();
    registry.Dump(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", key, &lines);
    if (lines.size() == before) lines.push_back(std::string("HKEY_CLASSES_ROOT\\") + key + ": missing");
  }
  for (const std::string& line : lines) report.Line(line);

  const std::string module = registry.Text(
      HKEY_CLASSES_ROOT, "CLSID\\{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}\\InprocServer32", "");
  if (!module.empty()) {
    const std::string version = FileVersionOf(module);
    report.Line("ORVIX.DLL of this view: " + module + ": " +
                (GetFileAttributesA(module.c_str()) == INVALID_FILE_ATTRIBUTES
                     ? std::string("the file is missing")
                     : "file version " + (version.empty() ? std::string("unknown") : version)));
  }
}

void WriteProfile(Report& report, std::FILE* file, const View& view) {
  report.Heading(std::string("Device profile, ") + view.name);
  RegistryView registry(view.flag);
  std::vector<std::string> lines;
  registry.Dump(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kDeviceClassKey, &lines);
  for (const std::string& line : lines) report.Line(line);
  report.Line("As ORVIX.DLL reads it:");
  PrintProfile(file, ReadProfile(registry.reader()), "  ");
}

// A 32-bit application without administrator rights that writes into a protected folder
// (such as one under Program Files) writes into the user's VirtualStore instead.
std::string VirtualStoreFolder(const std::string& folder) {
  char localAppData[MAX_PATH] = {};
  if (folder.size() < 3 || folder[1] != ':' || GetEnvironmentVariableA("LOCALAPPDATA", localAppData, MAX_PATH) == 0) {
    return std::string();
  }
  return std::string(localAppData) + "\\VirtualStore" + folder.substr(2);
}

void WriteLogs(Report& report, const std::vector<std::string>& folders) {
  for (const std::string& given : folders) {
    char full[MAX_PATH] = {};
    const std::string folder = GetFullPathNameA(given.c_str(), MAX_PATH, full, nullptr) != 0 ? full : given;
    for (const std::string& place : {folder, VirtualStoreFolder(folder)}) {
      if (place.empty()) continue;
      const std::string path = place + (place.back() == '\\' ? "" : "\\") + "OPOSDebug.txt";
      report.Heading(path + ", the last " + std::to_string(kLogLines) + " lines");
      for (const std::string& line : Tail(path)) report.Line(line);
    }
  }
}

}  // namespace

int RunReport(const std::string& fileName, const std::vector<std::string>& logFolders) {
  std::FILE* file = std::fopen(fileName.c_str(), "w");
  if (file == nullptr) {
    std::fprintf(stderr, "orvixcheck: cannot write the report to %s\n", fileName.c_str());
    return 1;
  }
  Report report(file);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  report.Line("ORVIX support report");
  report.Line(std::string("Written ") + stamp + " (local time) by orvixcheck " + ORVIXCHECK_VERSION + ", " +
              ProgramBitness());
  report.Line("Windows " + WindowsVersion() + ", " + (WindowsIs64Bit() ? "64-bit" : "32-bit"));
  for (const View& view : Views()) WriteRegistration(report, view);
  for (const View& view : Views()) WriteProfile(report, file, view);
  WriteLogs(report, logFolders.empty() ? std::vector<std::string>{"."} : logFolders);
  const bool written = std::ferror(file) == 0;
  std::fclose(file);
  if (!written) {
    std::fprintf(stderr, "orvixcheck: the report %s could not be written whole\n", fileName.c_str());
    return 1;
  }
  std::printf("The support report is in %s.\n", fileName.c_str());
  return 0;
}

}  // namespace orvixcheck
