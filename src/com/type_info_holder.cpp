#include "com/type_info_holder.h"

#include <cstring>

#include "com/byref_arguments.h"
#include "com/module.h"

namespace orvix::com {

HRESULT TypeInfoHolder::EnsureLoaded(LCID lcid) {
  HRESULT hr = S_OK;
  if (typeInfo_.load(std::memory_order_acquire) == nullptr) {
    CriticalSectionGuard guard(lock_);
    if (typeInfo_.load(std::memory_order_relaxed) == nullptr) hr = Load(lcid);
  }
  return hr;
}

HRESULT TypeInfoHolder::Load(LCID lcid) {
  // The registered library, not the module's own resource: a module built without the
  // resource registers the .tlb file beside it instead, and for that module only the
  // registered library exists.
  win32::ComPtr<ITypeLib> library;
  HRESULT hr = LoadRegTypeLib(libid_, majorVersion_, minorVersion_, lcid, library.put());
  win32::ComPtr<ITypeInfo> typeInfo;
  if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(iid_, typeInfo.put());
  if (SUCCEEDED(hr)) {
    win32::ComPtr<ITypeInfo2> extended;
    if (SUCCEEDED(typeInfo->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(extended.put())))) {
      typeInfo.reset(extended.release());
    }
  }
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(hr)) hr = typeInfo->GetTypeAttr(&attributes);
  std::vector<CachedName> names;
  if (SUCCEEDED(hr)) {
    names.reserve(attributes->cFuncs);
    for (UINT index = 0; index < attributes->cFuncs; ++index) {
      FUNCDESC* function = nullptr;
      if (FAILED(typeInfo->GetFuncDesc(index, &function))) continue;
      CachedName entry{win32::UniqueBstr(), 0, function->memid};
      if (SUCCEEDED(typeInfo->GetDocumentation(function->memid, entry.name.put(), nullptr, nullptr, nullptr))) {
        entry.length = SysStringLen(entry.name.get());
        names.push_back(std::move(entry));
      }
      typeInfo->ReleaseFuncDesc(function);
    }
    typeInfo->ReleaseTypeAttr(attributes);
  }
  if (SUCCEEDED(hr)) {
    names_ = std::move(names);
    if (!terminationRegistered_) {
      Module().AddTerminationCallback([](void* holder) { static_cast<TypeInfoHolder*>(holder)->Release(); }, this);
      terminationRegistered_ = true;
    }
    typeInfo_.store(typeInfo.release(), std::memory_order_release);
  }
  return hr;
}

void TypeInfoHolder::Release() {
  CriticalSectionGuard guard(lock_);
  ITypeInfo* typeInfo = typeInfo_.exchange(nullptr);
  if (typeInfo != nullptr) typeInfo->Release();
  names_.clear();
}

HRESULT TypeInfoHolder::GetTypeInfo(LCID lcid, ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  HRESULT hr = EnsureLoaded(lcid);
  if (SUCCEEDED(hr)) {
    *typeInfo = typeInfo_.load(std::memory_order_acquire);
    (*typeInfo)->AddRef();
  }
  return hr;
}

HRESULT TypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds) {
  HRESULT hr = EnsureLoaded(lcid);
  if (SUCCEEDED(hr) && count > 0 && (names == nullptr || dispIds == nullptr)) hr = E_POINTER;
  ITypeInfo* typeInfo = typeInfo_.load(std::memory_order_acquire);
  for (UINT index = 0; SUCCEEDED(hr) && index < count; ++index) {
    LPOLESTR name = names[index];
    if (name == nullptr) {
      dispIds[index] = DISPID_UNKNOWN;
      hr = DISP_E_UNKNOWNNAME;
      break;
    }
    const UINT length = static_cast<UINT>(lstrlenW(name));
    bool found = false;
    for (auto entry = names_.rbegin(); entry != names_.rend(); ++entry) {
      if (entry->length == length && std::memcmp(entry->name.get(), name, length * sizeof(OLECHAR)) == 0) {
        dispIds[index] = entry->dispId;
        found = true;
        break;
      }
    }
    // Each name alone: a method's parameter names are not members, so callers who name
    // parameters after the method fail here and pass arguments by position.
    if (!found) hr = typeInfo->GetIDsOfNames(&names[index], 1, &dispIds[index]);
  }
  return hr;
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID dispId, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  ByRefArguments arguments;
  ITypeInfo* typeInfo = nullptr;
  HRESULT hr = EnsureLoaded(lcid);
  if (SUCCEEDED(hr)) {
    typeInfo = typeInfo_.load(std::memory_order_acquire);
    hr = arguments.Prepare(typeInfo, dispId, params, argumentError);
  }
  if (SUCCEEDED(hr)) {
    hr = typeInfo->Invoke(self, dispId, flags, arguments.params(), result, exception, argumentError);
    arguments.CopyBack();
  }
  return hr;
}

}  // namespace orvix::com
