// Dispatch reads the registered type library, never the module's own copy: before the
// library is registered, late binding fails with the loader's error while early binding
// works; after DllRegisterServer the same object binds without being made again.
#include "client.h"

namespace orvix::wine_client {

void CheckDispatchBeforeRegistration(Checks& checks, const wchar_t* dllPath) {
  HMODULE module = LoadLibraryW(dllPath);
  ModuleExports exports;
  if (!checks.That(module != nullptr && FindExports(module, &exports), "the module loads")) return;
  ComPtr<IClassFactory> factory;
  ComPtr<Iposlinedisplay> display;
  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
  if (!checks.That(factory && SUCCEEDED(factory->CreateInstance(nullptr, IID_Iposlinedisplay,
                                                                reinterpret_cast<void**>(display.put()))),
                   "an object from the module's class object")) {
    return;
  }

  std::wstring name = L"DisplayText";
  LPOLESTR names[] = {&name[0]};
  DISPID dispId = 0;
  checks.Result(display->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispId), TYPE_E_LIBNOTREGISTERED,
                "GetIDsOfNames before the library is registered");
  ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
  checks.Result(display->GetTypeInfo(0, LOCALE_USER_DEFAULT, &typeInfo),
                TYPE_E_LIBNOTREGISTERED, "GetTypeInfo before the library is registered");
  checks.That(typeInfo == nullptr, "the failed GetTypeInfo leaves the pointer null");
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  checks.Result(display->Invoke(9, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
                TYPE_E_LIBNOTREGISTERED, "Invoke before the library is registered");
  LONG rc = -1;
  checks.Result(display->COFreezeEvents(VARIANT_TRUE, &rc), S_OK, "early binding works all the same");
  checks.Equal(rc, 0, "COFreezeEvents reports OPOS_SUCCESS early-bound");

  checks.Result(exports.registerServer(), S_OK, "DllRegisterServer");
  dispId = 0;
  checks.Result(display->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispId), S_OK,
                "GetIDsOfNames once the library is registered");
  checks.Equal(dispId, 16, "DisplayText is DISPID 16");
  checks.Result(display->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
                DISP_E_BADPARAMCOUNT, "Invoke reaches the type information");
}

}  // namespace orvix::wine_client
