// orvix_wine_client MODE [DLL]: the checks of one mode against ORVIX.DLL.
#include <cstdio>
#include <cstring>

#include "client.h"

namespace orvix::wine_client {

std::wstring Wide(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
}

template <typename Function>
static bool Find(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}

bool FindExports(HMODULE module, ModuleExports* exports) {
  bool found = Find(module, "DllGetClassObject", &exports->getClassObject);
  found = Find(module, "DllCanUnloadNow", &exports->canUnloadNow) && found;
  found = Find(module, "DllRegisterServer", &exports->registerServer) && found;
  found = Find(module, "DllUnregisterServer", &exports->unregisterServer) && found;
  return found;
}

int CallRegistrationExport(const wchar_t* dllPath, const char* exportName) {
  HMODULE module = LoadLibraryW(dllPath);
  if (module == nullptr) {
    std::printf("%s: cannot load the module (error %lu)\n", exportName, GetLastError());
    return 1;
  }
  ModuleExports exports;
  FindExports(module, &exports);
  auto call = std::strcmp(exportName, "DllRegisterServer") == 0 ? exports.registerServer : exports.unregisterServer;
  if (call == nullptr) {
    std::printf("%s: not exported\n", exportName);
    return 1;
  }
  const HRESULT hr = call();
  std::printf("%s 0x%08lx\n", exportName, static_cast<unsigned long>(hr));
  return 0;
}

}  // namespace orvix::wine_client

namespace {

using namespace orvix::wine_client;

struct Mode {
  const char* name;
  bool needsDll;
  void (*checks)(Checks& checks, const wchar_t* dll);  // null: a registration export
  const char* exportName;
};

const Mode kModes[] = {
    {"class-object", true, [](Checks& c, const wchar_t* dll) { CheckClassObject(c, dll); }, nullptr},
    {"early-bound", false, [](Checks& c, const wchar_t*) { CheckEarlyBound(c); }, nullptr},
    {"control-object", false, [](Checks& c, const wchar_t*) { CheckControlObjectCalls(c); }, nullptr},
    {"type-library", false, [](Checks& c, const wchar_t*) { CheckTypeLibrary(c); }, nullptr},
    {"dispatch-before-registration", true,
     [](Checks& c, const wchar_t* dll) { CheckDispatchBeforeRegistration(c, dll); }, nullptr},
    {"usb-absent", false, [](Checks& c, const wchar_t*) { CheckUsbDisplayAbsent(c); }, nullptr},
    {"register", true, nullptr, "DllRegisterServer"},
    {"unregister", true, nullptr, "DllUnregisterServer"},
};

}  // namespace

int main(int argc, char** argv) {
  const Mode* mode = nullptr;
  for (const Mode& candidate : kModes) {
    if (argc >= 2 && std::strcmp(argv[1], candidate.name) == 0) mode = &candidate;
  }
  if (mode == nullptr || (mode->needsDll && argc < 3)) {
    std::fprintf(stderr, "usage: orvix_wine_client MODE [DLL]; modes:");
    for (const Mode& candidate : kModes) std::fprintf(stderr, " %s%s", candidate.name, candidate.needsDll ? " DLL" : "");
    std::fprintf(stderr, "\n");
    return 2;
  }
  const std::wstring dll = argc > 2 ? Wide(argv[2]) : std::wstring();
  // An apartment, as the Control Object's host application has.
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "CoInitializeEx failed\n");
    return 2;
  }
  int exitCode = 0;
  if (mode->checks != nullptr) {
    Checks checks;
    mode->checks(checks, dll.c_str());
    checks.Summary();
    exitCode = checks.failures();
  } else {
    exitCode = CallRegistrationExport(dll.c_str(), mode->exportName);
  }
  CoUninitialize();
  return exitCode;
}
