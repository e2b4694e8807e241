// The class object of poslinedisplay.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "com/critical_section.h"
#include "com/module.h"

namespace orvix::com {

// IClassFactory for one class. The module's object map holds the first reference; every
// further reference (a client holding the class object) keeps one module lock, so that
// DllCanUnloadNow says no while any client holds it.
class ClassFactory final : public IClassFactory {
 public:
  // The object-map routine: makes a class object with one reference and hands out `riid`.
  static HRESULT Create(CreateInstanceFunction createInstance, REFIID riid, void** object);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  explicit ClassFactory(CreateInstanceFunction createInstance) : createInstance_(createInstance) {}
  ~ClassFactory() = default;

  CreateInstanceFunction createInstance_;
  volatile LONG refCount_ = 0;
  CriticalSection lock_;
};

}  // namespace orvix::com
