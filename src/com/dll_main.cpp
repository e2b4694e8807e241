// The module's entry point and its four exports.
#include "com/class_factory.h"
#include "com/com_interface.h"
#include "com/module.h"
#include "com/poslinedisplay.h"
#include "com/registration.h"
#include "com/service_call.h"

namespace orvix::com {
namespace {

ObjectMapEntry g_objectMap[] = {
    {&CLSID_poslinedisplay, &UpdatePoslinedisplayRegistry, &ClassFactory::Create, &CPoslinedisplay::CreateInstance,
     nullptr, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace
}  // namespace orvix::com

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  using orvix::com::Module;
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    Module().Init(instance, orvix::com::g_objectMap);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Only at FreeLibrary: when the whole process ends, the libraries the cached objects
    // belong to may already be gone, and the memory goes back with the process anyway.
    Module().Term();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return orvix::com::GuardEntry("DllGetClassObject",
                                [&] { return orvix::com::Module().GetClassObject(rclsid, riid, ppv); });
}

STDAPI DllCanUnloadNow() {
  return orvix::com::GuardEntry("DllCanUnloadNow", [] { return orvix::com::Module().CanUnloadNow(); });
}

STDAPI DllRegisterServer() { return orvix::com::GuardEntry("DllRegisterServer", orvix::com::RegisterServer); }

STDAPI DllUnregisterServer() { return orvix::com::GuardEntry("DllUnregisterServer", orvix::com::UnregisterServer); }
