// The type information of one dispatch interface, loaded from the registered type library
// on first need and kept for the life of the process, with a cache of its member names.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <vector>

#include "com/critical_section.h"
#include "win32/unique_any.h"

namespace orvix::com {

class TypeInfoHolder {
 public:
  TypeInfoHolder(const IID& iid, const GUID& libid, WORD majorVersion, WORD minorVersion)
      : iid_(iid), libid_(libid), majorVersion_(majorVersion), minorVersion_(minorVersion) {}
  TypeInfoHolder(const TypeInfoHolder&) = delete;
  TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

  // IDispatch::GetTypeInfo: a new reference to the type information.
  HRESULT GetTypeInfo(LCID lcid, ITypeInfo** typeInfo);

  // IDispatch::GetIDsOfNames. Names in their exact letter case come from the cache; any
  // other goes to the type information's own lookup, which ignores letter case.
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds);

  // IDispatch::Invoke on `self` through ITypeInfo::Invoke.
  HRESULT Invoke(IDispatch* self, DISPID dispId, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

  // Drops the type information and the cache; the next call loads them again.
  void Release();

 private:
  struct CachedName {
    win32::UniqueBstr name;
    UINT length;
    DISPID dispId;
  };

  // Loads once per process; a failure leaves nothing loaded and is tried again next time.
  HRESULT EnsureLoaded(LCID lcid);
  HRESULT Load(LCID lcid);

  const IID iid_;
  const GUID libid_;
  const WORD majorVersion_;
  const WORD minorVersion_;
  CriticalSection lock_;
  // Set last, after the cache is complete: a reader that sees it may use the cache.
  std::atomic<ITypeInfo*> typeInfo_{nullptr};
  std::vector<CachedName> names_;
  bool terminationRegistered_ = false;
};

}  // namespace orvix::com
