#include "com/registration.h"

#include <oleauto.h>

#include <string>

#include "com/module.h"
#include "com/registrar/registration_script.h"
#include "com/registrar/script_replacement.h"
#include "com/resource.h"
#include "win32/ansi_codec_win32.h"
#include "win32/registry_editor_win32.h"
#include "win32/unique_any.h"

namespace orvix::com {
namespace {

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

std::string ModulePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(Module().instance(), path, MAX_PATH);
  return path;
}

// The class entry names the module by its short path, which has no spaces: a program that
// passes the InprocServer32 value on unquoted (a `regsvr32 /u` built from it, say) would
// cut a long path at its first space. A path whose short form cannot be had stays as it is.
std::string ShortModulePath() {
  const std::string path = ModulePath();
  char shortPath[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return path;
  return shortPath;
}

HRESULT LoadRegistrationScript(const std::string& modulePath, std::string* script) {
  HRESULT hr = S_OK;
  win32::UniqueModule module(LoadLibraryExA(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  HRSRC resource = nullptr;
  const char* bytes = nullptr;
  if (!module) hr = LastErrorResult();
  if (SUCCEEDED(hr)) {
    resource = FindResourceA(module.get(), MAKEINTRESOURCEA(IDR_POSLINEDISPLAY), "REGISTRY");
    if (resource == nullptr) hr = LastErrorResult();
  }
  if (SUCCEEDED(hr)) {
    HGLOBAL loaded = LoadResource(module.get(), resource);
    bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) hr = LastErrorResult();
  }
  if (SUCCEEDED(hr)) script->assign(bytes, SizeofResource(module.get(), resource));
  return hr;
}

// The module's type library, from the module itself or else from the .tlb file beside it;
// `*loadedFrom` tells which.
HRESULT LoadModuleTypeLib(ITypeLib** library, std::wstring* loadedFrom) {
  std::wstring path = win32::AnsiToWide(ModulePath());
  HRESULT hr = LoadTypeLib(path.c_str(), library);
  if (FAILED(hr)) {
    const size_t dot = path.rfind(L'.');
    path.replace(dot == std::wstring::npos ? path.size() : dot, std::wstring::npos, L".tlb");
    hr = LoadTypeLib(path.c_str(), library);
  }
  if (SUCCEEDED(hr)) *loadedFrom = path;
  return hr;
}

HRESULT RegisterModuleTypeLib() {
  win32::ComPtr<ITypeLib> library;
  std::wstring path;
  HRESULT hr = LoadModuleTypeLib(library.put(), &path);
  if (SUCCEEDED(hr)) {
    const size_t separator = path.find_last_of(L"\\/:");
    std::wstring helpDirectory = separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
    hr = RegisterTypeLib(library.get(), &path[0], &helpDirectory[0]);
  }
  return hr;
}

// oleaut32 is asked for UnRegisterTypeLib at run time: an oleaut32 from before the function
// lacks the export, and a static import would keep the module from loading there at all,
// registration included; this way only the type library stays registered.
void UnregisterModuleTypeLib() {
  using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  win32::ComPtr<ITypeLib> library;
  std::wstring path;
  if (FAILED(LoadModuleTypeLib(library.put(), &path))) return;
  TLIBATTR* attributes = nullptr;
  if (FAILED(library->GetLibAttr(&attributes))) return;
  win32::UniqueModule oleaut(LoadLibraryA("oleaut32.dll"));
  if (oleaut) {
    auto unregister = reinterpret_cast<UnRegisterTypeLibFunction>(
        reinterpret_cast<void*>(GetProcAddress(oleaut.get(), "UnRegisterTypeLib")));
    if (unregister != nullptr) {
      unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                 attributes->syskind);
    }
  }
  library->ReleaseTLibAttr(attributes);
}

}  // namespace

HRESULT UpdatePoslinedisplayRegistry(bool doRegister) {
  const std::string modulePath = ShortModulePath();
  std::string script;
  HRESULT hr = LoadRegistrationScript(modulePath, &script);
  if (SUCCEEDED(hr)) {
    const registrar::ReplacementMap replacements{{"Module", registrar::ModuleReplacementValue(modulePath)}};
    win32::Win32RegistryEditor registry;
    hr = registrar::RunRegistrationScript(registry, script, replacements,
                                          doRegister ? registrar::RegistrarMode::kRegister
                                                     : registrar::RegistrarMode::kUnregister);
  }
  return hr;
}

HRESULT RegisterServer() {
  HRESULT hr = S_OK;
  for (ObjectMapEntry* entry = Module().objectMap(); SUCCEEDED(hr) && entry != nullptr && entry->clsid != nullptr;
       ++entry) {
    // A class that describes itself is registered by other means. This one names no
    // component categories either, so there is nothing to register for them.
    if (entry->objectDescription == nullptr || entry->objectDescription() == nullptr) hr = entry->updateRegistry(true);
  }
  if (SUCCEEDED(hr)) hr = RegisterModuleTypeLib();
  return hr;
}

HRESULT UnregisterServer() {
  for (ObjectMapEntry* entry = Module().objectMap(); entry != nullptr && entry->clsid != nullptr; ++entry) {
    if (entry->objectDescription != nullptr && entry->objectDescription() != nullptr) continue;
    entry->updateRegistry(false);
  }
  UnregisterModuleTypeLib();
  return S_OK;
}

}  // namespace orvix::com
