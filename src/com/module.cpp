#include "com/module.h"

namespace orvix::com {

ComModule& Module() {
  static ComModule module;
  return module;
}

void ComModule::Init(HINSTANCE instance, ObjectMapEntry* objectMap) {
  instance_ = instance;
  objectMap_ = objectMap;
  lockCount_ = 0;
  for (ObjectMapEntry* entry = objectMap_; entry != nullptr && entry->clsid != nullptr; ++entry) {
    if (entry->classStartStop != nullptr) entry->classStartStop(true);
  }
}

void ComModule::Term() {
  for (ObjectMapEntry* entry = objectMap_; entry != nullptr && entry->clsid != nullptr; ++entry) {
    if (entry->classObject != nullptr) {
      IUnknown* classObject = entry->classObject;
      entry->classObject = nullptr;
      classObject->Release();
    }
    if (entry->classStartStop != nullptr) entry->classStartStop(false);
  }
  std::vector<TerminationCallback> callbacks;
  {
    CriticalSectionGuard guard(callbackLock_);
    callbacks.swap(terminationCallbacks_);
  }
  for (auto it = callbacks.rbegin(); it != callbacks.rend(); ++it) it->callback(it->data);
}

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  HRESULT hr = S_OK;
  for (ObjectMapEntry* entry = objectMap_; entry != nullptr && entry->clsid != nullptr; ++entry) {
    if (entry->createClassObject == nullptr || !IsEqualCLSID(*entry->clsid, clsid)) continue;
    if (entry->classObject == nullptr) {
      CriticalSectionGuard guard(objectMapLock_);
      if (entry->classObject == nullptr) {
        hr = entry->createClassObject(entry->createInstance, IID_IUnknown,
                                      reinterpret_cast<void**>(&entry->classObject));
      }
    }
    if (entry->classObject != nullptr) hr = entry->classObject->QueryInterface(riid, object);
    break;
  }
  if (*object == nullptr && SUCCEEDED(hr)) hr = CLASS_E_CLASSNOTAVAILABLE;
  return hr;
}

void ComModule::AddTerminationCallback(void (*callback)(void* data), void* data) {
  CriticalSectionGuard guard(callbackLock_);
  terminationCallbacks_.push_back({callback, data});
}

}  // namespace orvix::com
