#include "service_object.h"

#include <cstdio>
#include <utility>

#include "orvixcheck.h"
#include "win32/ansi_codec_win32.h"

namespace orvixcheck {
namespace {

// The methods of a release 1.0 service object, in the order in which the Control Object
// binds them; it refuses a service object that lacks any of them.
const wchar_t* const kReleaseOneMethods[] = {
    L"COFreezeEvents", L"GetPropertyNumber", L"SetPropertyNumber", L"GetPropertyString", L"SetPropertyString",
    L"OpenService",    L"CheckHealth",       L"ClaimDevice",       L"CloseService",      L"DirectIO",
    L"ReleaseDevice",  L"ClearDescriptors",  L"ClearText",         L"CreateWindow",      L"DestroyWindow",
    L"DisplayText",    L"DisplayTextAt",     L"RefreshWindow",     L"ScrollText",        L"SetDescriptor"};

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], length, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(length - 1));
  return narrow;
}

}  // namespace

Argument::Argument() { VariantInit(&variant_); }
Argument::~Argument() { VariantClear(&variant_); }
Argument::Argument(const Argument& other) {
  VariantInit(&variant_);
  VariantCopy(&variant_, const_cast<VARIANT*>(&other.variant_));
}

Argument Argument::Number(long value) {
  Argument argument;
  argument.variant_.vt = VT_I4;
  argument.variant_.lVal = value;
  return argument;
}

Argument Argument::Text(const std::string& value) {
  Argument argument;
  argument.variant_.vt = VT_BSTR;
  argument.variant_.bstrVal = SysAllocString(orvix::win32::AnsiToWide(value).c_str());
  return argument;
}

Argument Argument::NoObject() {
  Argument argument;
  argument.variant_.vt = VT_DISPATCH;
  argument.variant_.pdispVal = nullptr;
  return argument;
}

HRESULT ServiceObject::Create(std::string* problem) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(L"OPOS.ORVIX", &clsid);
  if (FAILED(hr)) {
    *problem = std::string("OPOS.ORVIX is not registered for ") + ProgramBitness() + " applications: " +
               DescribeResult(hr);
    return hr;
  }
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(object_.put()));
  if (FAILED(hr)) {
    *problem = "OPOS.ORVIX is registered, but its DLL could not be loaded: " + DescribeResult(hr);
    return hr;
  }
  for (const wchar_t* method : kReleaseOneMethods) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(method)};
    DISPID dispid = DISPID_UNKNOWN;
    hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid);
    if (FAILED(hr)) {
      *problem = "the method " + Narrow(method) + " cannot be bound by name: " + DescribeResult(hr);
      return hr;
    }
    dispids_[method] = dispid;
  }
  return S_OK;
}

HRESULT ServiceObject::Call(const wchar_t* method, const std::vector<Argument>& arguments, long* number, std::string* text) {
  const auto dispid = dispids_.find(method);
  if (!object_ || dispid == dispids_.end()) return DISP_E_UNKNOWNNAME;
  // Automation passes the arguments last first.
  std::vector<VARIANT> reversed;
  for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument) {
    reversed.push_back(argument->variant());
  }
  DISPPARAMS parameters = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = object_->Invoke(dispid->second, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &result,
                               nullptr, nullptr);
  if (SUCCEEDED(hr) && number != nullptr) {
    VARIANT converted;
    VariantInit(&converted);
    hr = VariantChangeType(&converted, &result, 0, VT_I4);
    if (SUCCEEDED(hr)) *number = converted.lVal;
  }
  if (SUCCEEDED(hr) && text != nullptr) *text = result.vt == VT_BSTR ? Narrow(result.bstrVal) : std::string();
  VariantClear(&result);
  return hr;
}

std::string ServiceObject::ModulePath() const {
  char path[MAX_PATH] = {};
  const HMODULE module = GetModuleHandleA("ORVIX.DLL");
  if (module == nullptr || GetModuleFileNameA(module, path, MAX_PATH) == 0) return std::string();
  return path;
}

std::string DescribeResult(HRESULT hr) {
  const char* meaning = "";
  switch (static_cast<unsigned long>(hr)) {
    case 0x800401F3UL: meaning = " (no such ProgID in this registry view)"; break;
    case 0x80040154UL: meaning = " (class not registered in this registry view)"; break;
    case 0x8007007EUL: meaning = " (the DLL that the registration names is missing)"; break;
    case 0x800700C1UL: meaning = " (the registered DLL is not of this program's bitness)"; break;
    case 0x8002801DUL: meaning = " (the type library is not registered)"; break;
    case 0x80029C4AUL: meaning = " (the type library cannot be loaded from its registered path)"; break;
    case 0x80020006UL: meaning = " (unknown name)"; break;
    case 0x80004002UL: meaning = " (no such interface)"; break;
  }
  char text[64];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text + std::string(meaning);
}

}  // namespace orvixcheck
