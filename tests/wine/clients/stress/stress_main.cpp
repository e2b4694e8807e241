// orvix_wine_stress MODE FOLDER [ARGUMENTS]
//   soak FOLDER CALLS SEED   mixed calls, every byte checked, handles and memory compared
//   line-drop FOLDER         the display's line dropped between calls and during writes
//   reentry FOLDER           window messages calling into the object during OpenService
// FOLDER is where this program and the Wine harness meet (see harness_link.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <objbase.h>

#include "stress_modes.h"

int main(int argc, char** argv) {
  using namespace orvix::wine_client;
  if (argc < 3) {
    std::fprintf(stderr, "usage: orvix_wine_stress soak|line-drop|reentry FOLDER [CALLS SEED]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string folder = argv[2];
  HarnessLink harness(std::wstring(folder.begin(), folder.end()));
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "CoInitializeEx failed\n");
    return 2;
  }
  Checks checks;
  if (mode == "soak") {
    const long calls = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 100000;
    const unsigned seed = argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)) : 1;
    RunSoak(checks, harness, calls, seed);
  } else if (mode == "line-drop") {
    RunLineDrop(checks, harness);
  } else if (mode == "reentry") {
    RunReentry(checks, harness);
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    CoUninitialize();
    return 2;
  }
  checks.Summary();
  CoUninitialize();
  return checks.failures();
}
