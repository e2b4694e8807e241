#include "com/class_factory.h"

#include <new>

#include "com/service_call.h"

namespace orvix::com {

HRESULT ClassFactory::Create(CreateInstanceFunction createInstance, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  auto* factory = new (std::nothrow) ClassFactory(createInstance);
  if (factory == nullptr) return E_OUTOFMEMORY;
  factory->AddRef();
  const HRESULT hr = factory->QueryInterface(riid, object);
  factory->Release();
  return hr;
}

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** object) {
  return GuardEntry("QueryInterface", [&] {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  });
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
  CriticalSectionGuard guard(lock_);
  const LONG count = InterlockedIncrement(&refCount_);
  if (count == 2) Module().Lock();
  return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
  LONG count;
  {
    CriticalSectionGuard guard(lock_);
    count = InterlockedDecrement(&refCount_);
    if (count == 1) Module().Unlock();
  }
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  return GuardEntry("CreateInstance", [&] {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // An aggregated object can only hand its controlling unknown to the outer object.
    if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return createInstance_(outer, riid, object);
  });
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
  return GuardEntry("LockServer", [&] {
    if (lock) {
      Module().Lock();
    } else {
      Module().Unlock();
    }
    return S_OK;
  });
}

}  // namespace orvix::com
