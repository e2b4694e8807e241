#include "com/byref_arguments.h"

#include <cstring>

namespace orvix::com {
namespace {

bool IsByRefVariant(const VARIANTARG& argument) { return V_VT(&argument) == (VT_BYREF | VT_VARIANT); }

bool HasByRefVariant(const DISPPARAMS* params) {
  bool found = false;
  for (UINT index = 0; params != nullptr && params->rgvarg != nullptr && index < params->cArgs; ++index) {
    found = found || IsByRefVariant(params->rgvarg[index]);
  }
  return found;
}

// The description of the method `dispId` (the caller releases it), or null.
FUNCDESC* FindMethod(ITypeInfo* typeInfo, DISPID dispId) {
  FUNCDESC* method = nullptr;
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(typeInfo->GetTypeAttr(&attributes))) {
    for (UINT index = 0; index < attributes->cFuncs && method == nullptr; ++index) {
      FUNCDESC* candidate = nullptr;
      if (FAILED(typeInfo->GetFuncDesc(index, &candidate))) continue;
      if (candidate->memid == dispId && candidate->invkind == INVOKE_FUNC) {
        method = candidate;
      } else {
        typeInfo->ReleaseFuncDesc(candidate);
      }
    }
    typeInfo->ReleaseTypeAttr(attributes);
  }
  return method;
}

// Points `argument` at the value inside `variable`, typed as the declared `type`.
void ReferTo(VARIANTARG* argument, VARIANT* variable, VARTYPE type) {
  VariantInit(argument);
  V_VT(argument) = static_cast<VARTYPE>(VT_BYREF | type);
  // Every member of the VARIANT's value union starts at the same address.
  V_BYREF(argument) = &V_I4(variable);
}

}  // namespace

ByRefArguments::~ByRefArguments() {
  for (Converted& entry : converted_) VariantClear(&entry.value);
}

HRESULT ByRefArguments::Prepare(ITypeInfo* typeInfo, DISPID dispId, DISPPARAMS* params, UINT* argumentError) {
  HRESULT hr = S_OK;
  params_ = params;
  FUNCDESC* method = HasByRefVariant(params) ? FindMethod(typeInfo, dispId) : nullptr;
  if (method != nullptr) {
    arguments_.assign(params->rgvarg, params->rgvarg + params->cArgs);
    converted_.reserve(params->cArgs);  // entries are pointed to: no reallocation below
    UINT positional = params->cArgs > params->cNamedArgs ? params->cArgs - params->cNamedArgs : 0;
    if (positional > static_cast<UINT>(method->cParams)) positional = static_cast<UINT>(method->cParams);
    // Positional arguments come last in rgvarg, the first parameter at the highest index.
    for (UINT position = 0; position < positional && SUCCEEDED(hr); ++position) {
      const UINT slot = params->cArgs - 1 - position;
      hr = Rewrite(&arguments_[slot], method->lprgelemdescParam[position]);
      if (FAILED(hr) && argumentError != nullptr) *argumentError = slot;
    }
    typeInfo->ReleaseFuncDesc(method);
    if (SUCCEEDED(hr)) {
      rewritten_ = *params;
      rewritten_.rgvarg = arguments_.data();
      params_ = &rewritten_;
    }
  }
  return hr;
}

HRESULT ByRefArguments::Rewrite(VARIANTARG* argument, const ELEMDESC& parameter) {
  HRESULT hr = S_OK;
  const TYPEDESC& type = parameter.tdesc;
  VARIANT* variable = IsByRefVariant(*argument) ? V_VARIANTREF(argument) : nullptr;
  // Only references to plain values: a VARIANT* parameter takes the reference as it is.
  const VARTYPE declared =
      type.vt == VT_PTR && type.lptdesc != nullptr ? type.lptdesc->vt : static_cast<VARTYPE>(VT_EMPTY);
  const bool plain = declared != VT_EMPTY && declared != VT_VARIANT && declared != VT_PTR &&
                     declared != VT_USERDEFINED;
  if (variable != nullptr && plain) {
    if (V_VT(variable) == declared) {
      ReferTo(argument, variable, declared);
    } else if (V_VT(variable) == (VT_BYREF | declared)) {
      *argument = *variable;
    } else {
      converted_.push_back(Converted{variable, {}, (parameter.paramdesc.wParamFlags & PARAMFLAG_FOUT) != 0});
      Converted& entry = converted_.back();
      VariantInit(&entry.value);
      hr = VariantChangeType(&entry.value, variable, 0, declared);
      if (SUCCEEDED(hr)) ReferTo(argument, &entry.value, declared);
    }
  }
  return hr;
}

void ByRefArguments::CopyBack() {
  for (Converted& entry : converted_) {
    if (!entry.out) continue;
    VariantClear(entry.callerVariable);
    // The value moves to the caller's variable, which now owns it.
    std::memcpy(entry.callerVariable, &entry.value, sizeof(VARIANT));
    VariantInit(&entry.value);
  }
}

}  // namespace orvix::com
