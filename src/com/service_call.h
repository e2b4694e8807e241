// How an entry point of the module runs its work: no exception leaves the DLL, since one
// that unwound into the caller (a Control Object written in C, or Visual Basic) would end
// the POS process. A failed allocation is the likely one: a huge text, or a fragmented
// 32-bit process.
#pragma once

#include <windows.h>

#include <new>

#include "com/critical_section.h"
#include "com/process_service.h"

namespace orvix::com {

// Runs `body` under the service lock. An exception from it is logged under `method` and
// ends the call.
template <typename Body>
void RunGuarded(const char* method, Body&& body) noexcept {
  try {
    CriticalSectionGuard guard(ServiceLock());
    body();
  } catch (...) {
    LogException(method);
  }
}

// One of the 29 methods, whose result travels in `*out` (an OPOS result code, or a getter's
// value): what `body` gives, or `failed` after an exception. Always S_OK, as every method
// returns; an early-bound caller that passes no `out` simply gets no result.
template <typename T, typename Body>
HRESULT CallService(const char* method, T* out, T failed, Body&& body) noexcept {
  T value = failed;
  RunGuarded(method, [&] { value = body(); });
  if (out != nullptr) *out = value;
  return S_OK;
}

// An entry point that reports through its HRESULT (IDispatch, the class object, the
// exports); it needs no service lock of its own. An exception gives E_OUTOFMEMORY for a
// failed allocation and E_UNEXPECTED for anything else.
template <typename Body>
HRESULT GuardEntry(const char* method, Body&& body) noexcept {
  HRESULT hr = E_UNEXPECTED;
  try {
    hr = body();
  } catch (const std::bad_alloc&) {
    LogException(method);
    hr = E_OUTOFMEMORY;
  } catch (...) {
    LogException(method);
  }
  return hr;
}

}  // namespace orvix::com
