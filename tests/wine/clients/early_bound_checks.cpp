// Every method through the vtable, as an early-bound caller reaches it. Each result
// parameter starts at a value no method reports, so a method that forgets to store its
// result, or a vtable slot that leads to the wrong method, shows.
#include <cstring>

#include "client.h"

namespace orvix::wine_client {
namespace {

constexpr LONG kUntouched = -12345;
constexpr LONG kIllegal = 106;

struct RefusedCall {
  const char* name;
  HRESULT (*call)(Iposlinedisplay* display, LONG* pRC);
};

// The fourteen operations the display does not have.
const RefusedCall kRefusedCalls[] = {
    {"ClearDescriptors", [](Iposlinedisplay* d, LONG* rc) { return d->ClearDescriptors(rc); }},
    {"CreateWindow", [](Iposlinedisplay* d, LONG* rc) { return d->CreateWindow(1, 2, 3, 4, 5, 6, rc); }},
    {"DestroyWindow", [](Iposlinedisplay* d, LONG* rc) { return d->DestroyWindow(rc); }},
    {"RefreshWindow", [](Iposlinedisplay* d, LONG* rc) { return d->RefreshWindow(1, rc); }},
    {"SetDescriptor", [](Iposlinedisplay* d, LONG* rc) { return d->SetDescriptor(1, 2, rc); }},
    {"DefineGlyph",
     [](Iposlinedisplay* d, LONG* rc) {
       UniqueBstr glyph(SysAllocString(L"\x01\x02"));
       return d->DefineGlyph(65, glyph.get(), rc);
     }},
    {"ReadCharacterAtCursor",
     [](Iposlinedisplay* d, LONG* rc) {
       LONG character = 77;
       const HRESULT hr = d->ReadCharacterAtCursor(&character, rc);
       return character == 77 ? hr : E_UNEXPECTED;
     }},
    {"DisplayBitmap",
     [](Iposlinedisplay* d, LONG* rc) {
       UniqueBstr file(SysAllocString(L"C:\\logo.bmp"));
       return d->DisplayBitmap(file.get(), 20, 0, 0, rc);
     }},
    {"SetBitmap",
     [](Iposlinedisplay* d, LONG* rc) {
       UniqueBstr file(SysAllocString(L"C:\\logo.bmp"));
       return d->SetBitmap(1, file.get(), 20, 0, 0, rc);
     }},
    {"ResetStatistics", [](Iposlinedisplay* d, LONG* rc) { return d->ResetStatistics(nullptr, rc); }},
    {"RetrieveStatistics",
     [](Iposlinedisplay* d, LONG* rc) {
       UniqueBstr buffer(SysAllocString(L"<UPOSStat/>"));
       return d->RetrieveStatistics(buffer.get(), rc);
     }},
    {"UpdateStatistics", [](Iposlinedisplay* d, LONG* rc) { return d->UpdateStatistics(nullptr, rc); }},
    {"CompareFirmwareVersion",
     [](Iposlinedisplay* d, LONG* rc) {
       LONG comparison = 5;
       const HRESULT hr = d->CompareFirmwareVersion(nullptr, &comparison, rc);
       return comparison == 5 ? hr : E_UNEXPECTED;
     }},
    {"UpdateFirmware", [](Iposlinedisplay* d, LONG* rc) { return d->UpdateFirmware(nullptr, rc); }},
};

bool IsResultCode(LONG rc) { return rc == 0 || rc == kIllegal || rc == 112; }

}  // namespace

void CheckEarlyBound(Checks& checks) {
  ComPtr<Iposlinedisplay> display;
  if (!checks.Result(CoCreateInstance(CLSID_poslinedisplay, nullptr, CLSCTX_INPROC_SERVER, IID_Iposlinedisplay,
                                      reinterpret_cast<void**>(display.put())),
                     S_OK, "CoCreateInstance for Iposlinedisplay")) {
    return;
  }
  Iposlinedisplay* d = display.get();

  LONG rc = kUntouched;
  checks.Result(d->COFreezeEvents(VARIANT_TRUE, &rc), S_OK, "COFreezeEvents(true)");
  checks.Equal(rc, 0, "COFreezeEvents(true) reports OPOS_SUCCESS");
  rc = kUntouched;
  d->COFreezeEvents(VARIANT_FALSE, &rc);
  checks.Equal(rc, 0, "COFreezeEvents(false) reports OPOS_SUCCESS");

  struct NumberRead {
    LONG index;
    LONG expected;
  };
  const NumberRead numbers[] = {{4, 0}, {6, 0}, {8, 1000000}, {9, 2}, {5002, 20}, {5010, 2}};
  for (const NumberRead& read : numbers) {
    LONG value = kUntouched;
    checks.Result(d->GetPropertyNumber(read.index, &value), S_OK, "GetPropertyNumber(%ld)", read.index);
    checks.Equal(value, read.expected, "GetPropertyNumber(%ld) value", read.index);
  }
  struct TextRead {
    LONG index;
    const wchar_t* expected;
  };
  const TextRead texts[] = {{1000003, L"Pole Display 20x2"}, {42, L"EMPTY"}, {1005001, L"998"}};
  for (const TextRead& read : texts) {
    UniqueBstr value;
    checks.Result(d->GetPropertyString(read.index, value.put()), S_OK, "GetPropertyString(%ld)", read.index);
    checks.That(value.get() != nullptr && std::wcscmp(value.get(), read.expected) == 0 &&
                    SysStringLen(value.get()) == std::wcslen(read.expected),
                "GetPropertyString(%ld) text", read.index);
  }
  checks.Result(d->SetPropertyNumber(11, 0), S_OK, "SetPropertyNumber(BinaryConversion)");
  UniqueBstr ignored(SysAllocString(L"ignored"));
  checks.Result(d->SetPropertyString(1000003, ignored.get()), S_OK, "SetPropertyString");
  checks.Result(d->SetPropertyString(1000003, nullptr), S_OK, "SetPropertyString with a null string");

  UniqueBstr deviceClass(SysAllocString(L"LineDisplay"));
  UniqueBstr noDevice(SysAllocString(L"NoSuchDevice"));
  rc = kUntouched;
  checks.Result(d->OpenService(deviceClass.get(), noDevice.get(), nullptr, &rc), S_OK, "OpenService");
  checks.Equal(rc, kIllegal, "OpenService of a device without a profile reports OPOS_E_ILLEGAL");
  rc = kUntouched;
  d->CheckHealth(7, &rc);
  checks.Equal(rc, kIllegal, "CheckHealth(7) reports OPOS_E_ILLEGAL");

  // What these report without an open device is the service's business; the shell must
  // reach them and hand their result back.
  struct ForwardedCall {
    const char* name;
    HRESULT (*call)(Iposlinedisplay* display, LONG* pRC);
  };
  const ForwardedCall forwarded[] = {
      {"ClaimDevice", [](Iposlinedisplay* dd, LONG* r) { return dd->ClaimDevice(0, r); }},
      {"ClearText", [](Iposlinedisplay* dd, LONG* r) { return dd->ClearText(r); }},
      {"DisplayText",
       [](Iposlinedisplay* dd, LONG* r) {
         UniqueBstr text(SysAllocString(L"Hello"));
         return dd->DisplayText(text.get(), 0, r);
       }},
      {"DisplayTextAt",
       [](Iposlinedisplay* dd, LONG* r) {
         UniqueBstr text(SysAllocString(L"AB"));
         return dd->DisplayTextAt(2, 5, text.get(), 1, r);
       }},
      {"ScrollText", [](Iposlinedisplay* dd, LONG* r) { return dd->ScrollText(3, 1, r); }},
      {"ReleaseDevice", [](Iposlinedisplay* dd, LONG* r) { return dd->ReleaseDevice(r); }},
      {"CloseService", [](Iposlinedisplay* dd, LONG* r) { return dd->CloseService(r); }},
  };
  for (const ForwardedCall& call : forwarded) {
    rc = kUntouched;
    checks.Result(call.call(d, &rc), S_OK, "%s", call.name);
    checks.That(IsResultCode(rc), "%s stores an OPOS result code (%ld)", call.name, rc);
  }

  LONG data = 4711;
  BSTR inOut = SysAllocString(L"keep");
  const BSTR original = inOut;
  rc = kUntouched;
  checks.Result(d->DirectIO(1, &data, &inOut, &rc), S_OK, "DirectIO");
  checks.That(data == 4711 && inOut == original && std::wcscmp(inOut, L"keep") == 0,
              "DirectIO leaves pData and pString as they were");
  SysFreeString(inOut);
  checks.That(IsResultCode(rc), "DirectIO stores an OPOS result code (%ld)", rc);

  for (const RefusedCall& call : kRefusedCalls) {
    rc = kUntouched;
    const HRESULT hr = call.call(d, &rc);
    checks.Result(hr, S_OK, "%s returns S_OK and leaves its pointer arguments alone", call.name);
    checks.Equal(rc, kIllegal, "%s reports OPOS_E_ILLEGAL", call.name);
  }

  checks.Result(d->COFreezeEvents(VARIANT_TRUE, nullptr), S_OK, "a call without a result pointer does no harm");
  checks.Result(d->CreateWindow(0, 0, 0, 0, 0, 0, nullptr), S_OK, "an unsupported call without a result pointer");
  checks.Result(d->GetPropertyString(42, nullptr), S_OK, "GetPropertyString without a result pointer");
}

}  // namespace orvix::wine_client
