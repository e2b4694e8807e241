// The module record of ORVIX.DLL: its handle, its lock count, its one class and the work
// to do when it is unloaded.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <vector>

#include "com/critical_section.h"

namespace orvix::com {

// Makes an object of a class: plain when `outer` is null, aggregated otherwise, and hands
// out its `riid` interface. Fails with E_OUTOFMEMORY, or with the query's error after
// destroying the new object again.
using CreateInstanceFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

// One creatable class of the module. The fields follow ATL's object-map entry, so that the
// map in dll_main.cpp reads like that of any ATL server and a field added later has a known
// place.
struct ObjectMapEntry {
  const CLSID* clsid;
  // Runs the class's registration script, registering or unregistering.
  HRESULT (*updateRegistry)(bool doRegister);
  // Makes the class object with one reference, which the entry keeps in `classObject`.
  HRESULT (*createClassObject)(CreateInstanceFunction createInstance, REFIID riid, void** object);
  CreateInstanceFunction createInstance;
  IUnknown* classObject;
  // A class whose description routine gives a text registers itself some other way.
  const wchar_t* (*objectDescription)();
  // The component categories of the class; null when it names none.
  const void* (*categoryMap)();
  void (*classStartStop)(bool starting);
};

class ComModule {
 public:
  ComModule() = default;
  ComModule(const ComModule&) = delete;
  ComModule& operator=(const ComModule&) = delete;

  // At DLL_PROCESS_ATTACH. Touches no device, registry or file.
  void Init(HINSTANCE instance, ObjectMapEntry* objectMap);
  // At unload by FreeLibrary: releases the cached class objects and runs the termination
  // callbacks, most recent first.
  void Term();

  HINSTANCE instance() const { return instance_; }
  ObjectMapEntry* objectMap() const { return objectMap_; }

  LONG Lock() { return InterlockedIncrement(&lockCount_); }
  LONG Unlock() { return InterlockedDecrement(&lockCount_); }

  // DllGetClassObject.
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);
  // DllCanUnloadNow: S_OK once nothing holds a lock on the module.
  HRESULT CanUnloadNow() const { return lockCount_ == 0 ? S_OK : S_FALSE; }

  void AddTerminationCallback(void (*callback)(void* data), void* data);

 private:
  struct TerminationCallback {
    void (*callback)(void* data);
    void* data;
  };

  HINSTANCE instance_ = nullptr;
  ObjectMapEntry* objectMap_ = nullptr;
  volatile LONG lockCount_ = 0;
  CriticalSection objectMapLock_;
  CriticalSection callbackLock_;
  std::vector<TerminationCallback> terminationCallbacks_;
};

// The one module record of the process.
ComModule& Module();

// One module lock for as long as it lives: every object holds one.
class ModuleLock {
 public:
  ModuleLock() { Module().Lock(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
  ~ModuleLock() { Module().Unlock(); }
};

}  // namespace orvix::com
