// The compiled Wine client: one program, one mode per group of checks. Each mode prints its
// checks and returns the number that failed.
#pragma once

#include <string>

#include "checks.h"
#include "com/com_interface.h"
#include "win32/unique_any.h"

namespace orvix::wine_client {

using win32::ComPtr;
using win32::UniqueBstr;

// A VARIANT that is cleared when it goes.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&value_); }

  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

// The class object and the exports, on the module loaded from `dllPath`.
void CheckClassObject(Checks& checks, const wchar_t* dllPath);
// Every method through the vtable, on an object made through COM.
void CheckEarlyBound(Checks& checks);
// Binding and calling by name and DISPID as the OPOS Control Object does, through the ProgID.
void CheckControlObjectCalls(Checks& checks);
// The registered type library against the interface's contract.
void CheckTypeLibrary(Checks& checks);
// Dispatch while the type library is not registered, then after DllRegisterServer.
void CheckDispatchBeforeRegistration(Checks& checks, const wchar_t* dllPath);
// A USB profile whose display is missing: the open gives up, later calls return at once,
// repeated opens keep no handle.
void CheckUsbDisplayAbsent(Checks& checks);
// Calls DllRegisterServer or DllUnregisterServer of `dllPath` and prints the result.
int CallRegistrationExport(const wchar_t* dllPath, const char* exportName);

std::wstring Wide(const char* text);

// Pointers to the module's exports, looked up by their undecorated names.
struct ModuleExports {
  HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
  HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;
};
bool FindExports(HMODULE module, ModuleExports* exports);

}  // namespace orvix::wine_client
