#include "late_bound_display.h"

#include <string>

namespace orvix::wine_client {
namespace {

constexpr UINT kMaxArguments = 8;

}  // namespace

VARIANTARG LongArgument(LONG value) {
  VARIANTARG argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_I4;
  V_I4(&argument) = value;
  return argument;
}

VARIANTARG BoolArgument(bool value) {
  VARIANTARG argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BOOL;
  V_BOOL(&argument) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return argument;
}

VARIANTARG TextArgument(BSTR text) {
  VARIANTARG argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BSTR;
  V_BSTR(&argument) = text;
  return argument;
}

VARIANTARG DispatchArgument(IDispatch* dispatch) {
  VARIANTARG argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_DISPATCH;
  V_DISPATCH(&argument) = dispatch;
  return argument;
}

VARIANTARG LongReference(LONG* value) {
  VARIANTARG argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BYREF | VT_I4;
  V_I4REF(&argument) = value;
  return argument;
}

VARIANTARG TextReference(BSTR* text) {
  VARIANTARG argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&argument) = text;
  return argument;
}

bool LateBoundDisplay::Create(HRESULT* hr) {
  CLSID clsid = {};
  *hr = CLSIDFromProgID(L"OPOS.ORVIX", &clsid);
  win32::ComPtr<IUnknown> unknown;
  if (SUCCEEDED(*hr)) {
    *hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(unknown.put()));
  }
  if (SUCCEEDED(*hr)) *hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch_.put()));
  // One name at a time, in the Control Object's order, stopping at the first that fails.
  for (const char* name : kControlObjectNameOrder) {
    if (FAILED(*hr)) break;
    std::wstring wide(name, name + std::char_traits<char>::length(name));
    LPOLESTR names[] = {&wide[0]};
    DISPID dispId = DISPID_UNKNOWN;
    *hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispId);
    // Filed under the method's place in the interface, with the DISPID the object gave.
    if (SUCCEEDED(*hr)) dispIds_[FindMethod(name)->dispId] = dispId;
  }
  return SUCCEEDED(*hr);
}

HRESULT LateBoundDisplay::Invoke(Method method, std::initializer_list<VARIANTARG> arguments, VARIANT* result) {
  VARIANTARG reversed[kMaxArguments];
  UINT count = 0;
  for (auto it = arguments.end(); it != arguments.begin() && count < kMaxArguments;) reversed[count++] = *--it;
  DISPPARAMS params = {count > 0 ? reversed : nullptr, nullptr, count, 0};
  VariantInit(result);
  const HRESULT hr = dispatch_->Invoke(dispIds_[static_cast<int>(method)], IID_NULL, LOCALE_USER_DEFAULT,
                                       DISPATCH_METHOD, &params, result, nullptr, nullptr);
  if (FAILED(hr)) {
    ++invokeFailures_;
    lastFailure_ = hr;
  }
  return hr;
}

LONG LateBoundDisplay::CallForResult(Method method, std::initializer_list<VARIANTARG> arguments) {
  VARIANT result;
  const HRESULT hr = Invoke(method, arguments, &result);
  LONG code = kInvokeFailed;
  if (SUCCEEDED(hr) && V_VT(&result) == VT_I4) code = V_I4(&result);
  VariantClear(&result);
  return code;
}

LONG LateBoundDisplay::OpenService(const wchar_t* deviceName) {
  const win32::UniqueBstr deviceClass(SysAllocString(L"LineDisplay"));
  const win32::UniqueBstr name(SysAllocString(deviceName));
  // The Control Object passes its own dispatch interface; the display's serves as well.
  const LONG code = CallForResult(Method::kOpenService,
                                  {TextArgument(deviceClass.get()), TextArgument(name.get()), DispatchArgument(dispatch_.get())});
  return code;
}

bool LateBoundDisplay::SetPropertyNumber(LONG index, LONG number) {
  VARIANT result;
  const HRESULT hr = Invoke(Method::kSetPropertyNumber, {LongArgument(index), LongArgument(number)}, &result);
  VariantClear(&result);
  return SUCCEEDED(hr);
}

bool LateBoundDisplay::GetPropertyString(LONG index, std::wstring* text) {
  VARIANT result;
  const HRESULT hr = Invoke(Method::kGetPropertyString, {LongArgument(index)}, &result);
  const bool got = SUCCEEDED(hr) && V_VT(&result) == VT_BSTR;
  if (got) text->assign(V_BSTR(&result) != nullptr ? V_BSTR(&result) : L"");
  VariantClear(&result);
  return got;
}

}  // namespace orvix::wine_client
