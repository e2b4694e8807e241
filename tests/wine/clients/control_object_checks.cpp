// Late binding the way the OPOS LineDisplay Control Object does it: the class through the
// ProgID, the names one at a time with the system locale, every call as DISPATCH_METHOD
// with the result code in the result VARIANT.
#include <cstring>
#include <vector>

#include "client.h"
#include "method_table.h"

namespace orvix::wine_client {
namespace {

constexpr LONG kIllegal = 106;

// One argument of a call, in the order the method declares them.
struct Argument {
  VARTYPE type;
  LONG number;
  const wchar_t* text;
  VARIANT* reference;  // for VT_BYREF arguments
};

Argument Number(LONG value) { return {VT_I4, value, nullptr, nullptr}; }
Argument Text(const wchar_t* value) { return {VT_BSTR, 0, value, nullptr}; }
Argument Reference(VARTYPE type, VARIANT* target) { return {static_cast<VARTYPE>(VT_BYREF | type), 0, nullptr, target}; }

// Calls `dispId` with `arguments` as DISPATCH_METHOD; Automation wants them last first.
HRESULT Call(IDispatch* dispatch, DISPID dispId, const std::vector<Argument>& arguments, VARIANT* result,
             UINT* argumentError = nullptr) {
  std::vector<VARIANTARG> slots(arguments.size());
  for (size_t index = 0; index < arguments.size(); ++index) {
    const Argument& argument = arguments[arguments.size() - 1 - index];
    VARIANTARG& slot = slots[index];
    VariantInit(&slot);
    V_VT(&slot) = argument.type;
    if (argument.type == VT_I4) {
      V_I4(&slot) = argument.number;
    } else if (argument.type == VT_BOOL) {
      V_BOOL(&slot) = static_cast<VARIANT_BOOL>(argument.number);
    } else if (argument.type == VT_BSTR) {
      V_BSTR(&slot) = SysAllocString(argument.text);
    } else if (argument.type == VT_DISPATCH) {
      V_DISPATCH(&slot) = dispatch;  // the Control Object passes its own
      dispatch->AddRef();
    } else if (argument.type == (VT_BYREF | VT_VARIANT)) {
      V_VARIANTREF(&slot) = argument.reference;
    } else if (argument.type & VT_BYREF) {
      V_BYREF(&slot) = &V_I4(argument.reference);
    }
  }
  DISPPARAMS params = {slots.empty() ? nullptr : slots.data(), nullptr, static_cast<UINT>(slots.size()), 0};
  VariantInit(result);
  const HRESULT hr = dispatch->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                                      nullptr, argumentError);
  for (VARIANTARG& slot : slots) {
    if (!(V_VT(&slot) & VT_BYREF)) VariantClear(&slot);
  }
  return hr;
}

bool ResultIs(const VARIANT& result, LONG expected) { return V_VT(&result) == VT_I4 && V_I4(&result) == expected; }

void CheckBinding(Checks& checks, IDispatch* dispatch) {
  int bound = 0;
  for (const char* name : kControlObjectNameOrder) {
    std::wstring wide = Wide(name);
    LPOLESTR names[] = {&wide[0]};
    DISPID dispId = DISPID_UNKNOWN;
    const HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispId);
    // The Control Object stops at the first name that does not resolve.
    if (!checks.Result(hr, S_OK, "GetIDsOfNames(%s)", name)) break;
    checks.Equal(dispId, FindMethod(name)->dispId, "DISPID of %s", name);
    ++bound;
  }
  checks.Equal(bound, 29, "all 29 names bind, as a Control Object of release 1.9 and later wants");

  struct NameCase {
    const wchar_t* names[2];
    UINT count;
    HRESULT expected;
    DISPID dispId;
    const char* what;
  };
  const NameCase cases[] = {
      {{L"DisplayText"}, 1, S_OK, 16, "DisplayText"},
      {{L"displaytext"}, 1, S_OK, 16, "displaytext in lower case"},
      {{L"SCROLLTEXT"}, 1, S_OK, 19, "SCROLLTEXT in upper case"},
      {{L"cReAtEwInDoW"}, 1, S_OK, 14, "cReAtEwInDoW in mixed case"},
      {{L"DisplayText", L"Data"}, 2, DISP_E_UNKNOWNNAME, 16, "a method with its parameter name"},
      {{L"NoSuchMethod"}, 1, DISP_E_UNKNOWNNAME, DISPID_UNKNOWN, "an unknown name"},
      {{L""}, 1, DISP_E_UNKNOWNNAME, DISPID_UNKNOWN, "an empty name"},
      {{L"DisplayTex"}, 1, DISP_E_UNKNOWNNAME, DISPID_UNKNOWN, "a name one letter short"},
  };
  for (const NameCase& test : cases) {
    std::wstring first = test.names[0];
    std::wstring second = test.count > 1 ? test.names[1] : L"";
    LPOLESTR names[] = {&first[0], &second[0]};
    DISPID ids[2] = {-7, -7};
    checks.Result(dispatch->GetIDsOfNames(IID_NULL, names, test.count, LOCALE_SYSTEM_DEFAULT, ids), test.expected,
                  "GetIDsOfNames: %s", test.what);
    checks.Equal(ids[0], test.dispId, "GetIDsOfNames: %s gives DISPID %ld first", test.what, test.dispId);
  }
}

void CheckCalls(Checks& checks, IDispatch* dispatch) {
  UniqueVariant result;
  VARIANT* r = result.get();

  checks.Result(Call(dispatch, 1, {{VT_BOOL, VARIANT_TRUE, nullptr, nullptr}}, r), S_OK, "Invoke COFreezeEvents(true)");
  checks.That(ResultIs(*r, 0), "COFreezeEvents(true) gives OPOS_SUCCESS as the result");

  checks.Result(Call(dispatch, 2, {Number(8)}, r), S_OK, "Invoke GetPropertyNumber(ServiceObjectVersion)");
  checks.That(V_VT(r) == VT_I4 && V_I4(r) / 1000000 == 1, "the service object's major version is 1");
  VariantClear(r);

  checks.Result(Call(dispatch, 3, {Number(1000002)}, r), S_OK, "Invoke GetPropertyString(DeviceDescription)");
  checks.That(V_VT(r) == VT_BSTR && V_BSTR(r) != nullptr &&
                  std::wcscmp(V_BSTR(r), L"Pole Display 20x2 Vacuum Fluorescent Type") == 0,
              "GetPropertyString comes back as a string");
  VariantClear(r);

  checks.Result(Call(dispatch, 4, {Number(11), Number(1)}, r), S_OK, "Invoke SetPropertyNumber");
  checks.That(V_VT(r) == VT_EMPTY, "SetPropertyNumber gives no result");

  checks.Result(Call(dispatch, 6, {Text(L"LineDisplay"), Text(L"NoSuchDevice"), {VT_DISPATCH, 0, nullptr, nullptr}}, r),
                S_OK, "Invoke OpenService with the caller's own IDispatch");
  checks.That(ResultIs(*r, kIllegal), "OpenService of a device without a profile gives OPOS_E_ILLEGAL");

  checks.Result(Call(dispatch, 14, {Number(0), Number(0), Number(2), Number(20), Number(2), Number(20)}, r), S_OK,
                "Invoke CreateWindow");
  checks.That(ResultIs(*r, kIllegal), "CreateWindow gives OPOS_E_ILLEGAL");

  // By reference: what an Automation caller passes for the pointer parameters.
  VARIANT number;
  VariantInit(&number);
  V_VT(&number) = VT_I4;
  V_I4(&number) = 1234;
  checks.Result(Call(dispatch, 22, {Reference(VT_I4, &number)}, r), S_OK, "Invoke ReadCharacterAtCursor(VT_BYREF|VT_I4)");
  checks.That(ResultIs(*r, kIllegal) && V_I4(&number) == 1234, "ReadCharacterAtCursor leaves the number alone");

  // VBScript's form: a reference to a VARIANT, here holding a 16-bit integer.
  VARIANT small;
  VariantInit(&small);
  V_VT(&small) = VT_I2;
  V_I2(&small) = 321;
  checks.Result(Call(dispatch, 28, {Text(L"fw.bin"), Reference(VT_VARIANT, &small)}, r), S_OK,
                "Invoke CompareFirmwareVersion(VT_BYREF|VT_VARIANT holding VT_I2)");
  checks.That(ResultIs(*r, kIllegal) && V_VT(&small) == VT_I2 && V_I2(&small) == 321,
              "CompareFirmwareVersion leaves the variable's type and value alone");

  VARIANT data;
  VariantInit(&data);
  V_VT(&data) = VT_I4;
  V_I4(&data) = 99;
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"keep");
  checks.Result(Call(dispatch, 10, {Number(3), Reference(VT_VARIANT, &data), Reference(VT_VARIANT, &text)}, r), S_OK,
                "Invoke DirectIO(VT_BYREF|VT_VARIANT, VT_BYREF|VT_VARIANT)");
  checks.That(V_VT(&data) == VT_I4 && V_I4(&data) == 99 && V_VT(&text) == VT_BSTR &&
                  std::wcscmp(V_BSTR(&text), L"keep") == 0,
              "DirectIO leaves both variables alone");
  VariantClear(&text);
  VariantClear(r);

  VARIANT word;
  VariantInit(&word);
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = SysAllocString(L"not a number");
  UINT argumentError = 99;
  checks.Result(Call(dispatch, 22, {Reference(VT_VARIANT, &word)}, r, &argumentError), DISP_E_TYPEMISMATCH,
                "a variable that is no number is refused for pChar");
  checks.Equal(static_cast<long>(argumentError), 0, "the refused argument is named");
  VariantClear(&word);

  checks.Result(Call(dispatch, 14, {Number(0)}, r), DISP_E_BADPARAMCOUNT, "CreateWindow with one argument");
  checks.Result(Call(dispatch, 99, {}, r), DISP_E_MEMBERNOTFOUND, "an unknown DISPID");
}

}  // namespace

void CheckControlObjectCalls(Checks& checks) {
  CLSID clsid = {};
  checks.Result(CLSIDFromProgID(L"OPOS.ORVIX", &clsid), S_OK, "CLSIDFromProgID(OPOS.ORVIX)");
  checks.That(IsEqualCLSID(clsid, CLSID_poslinedisplay), "the ProgID leads to poslinedisplay");
  ComPtr<IUnknown> unknown;
  if (!checks.Result(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(unknown.put())),
                     S_OK, "CoCreateInstance(CLSCTX_ALL)")) {
    return;
  }
  ComPtr<IDispatch> dispatch;
  if (!checks.Result(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())), S_OK,
                     "QueryInterface(IDispatch)")) {
    return;
  }
  CheckBinding(checks, dispatch.get());
  CheckCalls(checks, dispatch.get());
}

}  // namespace orvix::wine_client
