// VBScript passes every variable as VT_BYREF|VT_VARIANT. Windows' ITypeInfo::Invoke takes
// such an argument for a pointer parameter (long*, BSTR*); Wine's refuses it with
// DISP_E_TYPEMISMATCH. This rewrites the arguments of one call so that both accept them: a
// variable that already holds the declared type is passed by reference to its own value,
// any other is converted into a temporary of the declared type, passed by reference to
// that, and copied back afterwards when the parameter is an out parameter.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <vector>

namespace orvix::com {

class ByRefArguments {
 public:
  ByRefArguments() = default;
  ByRefArguments(const ByRefArguments&) = delete;
  ByRefArguments& operator=(const ByRefArguments&) = delete;
  ~ByRefArguments();

  // Looks at the arguments of `params` for the method `dispId`. The caller's DISPPARAMS is
  // never changed. A variable that cannot be converted gives its conversion error, with
  // its position in `*argumentError`.
  HRESULT Prepare(ITypeInfo* typeInfo, DISPID dispId, DISPPARAMS* params, UINT* argumentError);

  // What to hand to ITypeInfo::Invoke: the caller's own DISPPARAMS when nothing needed a
  // change.
  DISPPARAMS* params() { return params_; }

  // After the call: stores what the method wrote into converted out parameters back into
  // the caller's variables.
  void CopyBack();

 private:
  struct Converted {
    VARIANT* callerVariable;  // the VBScript variable
    VARIANT value;            // of the declared type, owned here
    bool out;
  };

  // Rewrites one argument for its parameter; a conversion that fails gives its error.
  HRESULT Rewrite(VARIANTARG* argument, const ELEMDESC& parameter);

  DISPPARAMS* params_ = nullptr;
  DISPPARAMS rewritten_ = {};
  std::vector<VARIANTARG> arguments_;
  std::vector<Converted> converted_;
};

}  // namespace orvix::com
