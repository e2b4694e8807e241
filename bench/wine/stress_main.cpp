// orvix_wine_soak FOLDER CALLS SEED: mixed calls, every byte checked at the display, handles
// and memory compared. FOLDER is where this program and bench/wine/bench_box.py meet (see
// harness_link.h).
#include <cstdio>
#include <cstdlib>
#include <string>

#include <objbase.h>

#include "stress_modes.h"

int main(int argc, char** argv) {
  using namespace orvix::wine_client;
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvix_wine_soak FOLDER [CALLS [SEED]]\n");
    return 2;
  }
  const std::string folder = argv[1];
  HarnessLink harness(std::wstring(folder.begin(), folder.end()));
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  Checks checks;
  const long calls = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 100000;
  const unsigned seed = argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1;
  RunSoak(checks, harness, calls, seed);
  checks.Summary();
  CoUninitialize();
  return checks.failures();
}
