#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvixcheck.h"

namespace orvixcheck {
namespace {

const char kUsage[] =
    "Usage:\n"
    "  orvixcheck [--name NAME]    check the pole display: open it by NAME (default ORVIX),\n"
    "                              claim, enable, health check, show \"ORVIX check\" and the time\n"
    "  orvixcheck --scan           ask every serial port for the display's model (writes a few\n"
    "                              bytes to every port)\n"
    "  orvixcheck --report FILE [--log-dir DIR]...\n"
    "                              write a support report; OPOSDebug.txt is looked for in each\n"
    "                              DIR (default: the current folder)\n"
    "\n"
    "Exit code of the check: 0 when the display worked, otherwise the number of the step that\n"
    "failed (1 profile, 2 registration, 3 open, 4 claim, 5 enable, 6 health check, 7 text,\n"
    "8 release, 9 close). --scan: 0 when the display answered, 1 when no port did. --report:\n"
    "0 when the report was written, 1 when not. 64: a wrong command line.\n"
    "This is the " ORVIXCHECK_BITNESS " orvixcheck: it checks ORVIX.DLL for " ORVIXCHECK_BITNESS
    " applications.\n";

struct Options {
  enum class Mode { kCheck, kScan, kReport, kHelp } mode = Mode::kCheck;
  std::string name = "ORVIX";
  std::string reportFile;
  std::vector<std::string> logFolders;
};

// Fills `options` from the command line; the text of what is wrong, or empty.
std::string Parse(int argc, char** argv, Options* options) {
  bool named = false;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    const bool hasValue = index + 1 < argc;
    if (argument == "--help" || argument == "-h" || argument == "/?") {
      options->mode = Options::Mode::kHelp;
      return std::string();
    } else if (argument == "--scan") {
      if (options->mode != Options::Mode::kCheck) return "--scan and --report go alone";
      options->mode = Options::Mode::kScan;
    } else if (argument == "--report" && hasValue) {
      if (options->mode != Options::Mode::kCheck) return "--scan and --report go alone";
      options->mode = Options::Mode::kReport;
      options->reportFile = argv[++index];
    } else if (argument == "--log-dir" && hasValue) {
      options->logFolders.push_back(argv[++index]);
    } else if (argument == "--name" && hasValue) {
      options->name = argv[++index];
      named = true;
    } else {
      return "unknown argument or missing value: " + argument;
    }
  }
  if (named && options->mode != Options::Mode::kCheck) return "--name belongs to the check alone";
  if (!options->logFolders.empty() && options->mode != Options::Mode::kReport) return "--log-dir needs --report";
  return std::string();
}

}  // namespace

const char* ProgramBitness() { return ORVIXCHECK_BITNESS; }

bool WindowsIs64Bit() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string FileVersionOf(const std::string& path) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return std::string();
  std::vector<char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr) {
    return std::string();
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

}  // namespace orvixcheck

int main(int argc, char** argv) {
  using orvixcheck::Options;
  Options options;
  const std::string wrong = orvixcheck::Parse(argc, argv, &options);
  if (!wrong.empty()) {
    std::fprintf(stderr, "orvixcheck: %s\n\n%s", wrong.c_str(), orvixcheck::kUsage);
    return orvixcheck::kExitUsage;
  }
  switch (options.mode) {
    case Options::Mode::kHelp:
      std::printf("%s", orvixcheck::kUsage);
      return 0;
    case Options::Mode::kScan:
      return orvixcheck::RunScan();
    case Options::Mode::kReport:
      return orvixcheck::RunReport(options.reportFile, options.logFolders);
    case Options::Mode::kCheck:
      break;
  }
  // The service object is registered for the apartment model, as the thread of a POS
  // application's window is.
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int result = orvixcheck::RunCheck(options.name);
  if (SUCCEEDED(initialised)) CoUninitialize();
  return result;
}
