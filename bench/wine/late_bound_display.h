// ORVIX.DLL reached the way the OPOS LineDisplay Control Object reaches it: the class
// through the ProgID and CLSCTX_ALL, IDispatch, the method names bound one at a time with
// the system locale, and every call an Invoke(DISPATCH_METHOD) with the user locale, the
// arguments last first and the result code in the result VARIANT.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <string>

// Also undoes <windows.h> turning OpenService and CreateWindow into its ANSI functions.
#include "com/com_interface.h"
#include "win32/unique_any.h"
#include "method_table.h"

namespace orvix::wine_client {

// The 29 methods in DISPID order.
enum class Method {
  kCOFreezeEvents = 1, kGetPropertyNumber, kGetPropertyString, kSetPropertyNumber, kSetPropertyString,
  kOpenService, kCheckHealth, kClaimDevice, kCloseService, kDirectIO, kReleaseDevice, kClearDescriptors,
  kClearText, kCreateWindow, kDestroyWindow, kDisplayText, kDisplayTextAt, kRefreshWindow, kScrollText,
  kSetDescriptor, kDefineGlyph, kReadCharacterAtCursor, kDisplayBitmap, kSetBitmap, kResetStatistics,
  kRetrieveStatistics, kUpdateStatistics, kCompareFirmwareVersion, kUpdateFirmware,
};

// Argument builders. Texts are borrowed: the caller keeps its BSTR alive over the call.
VARIANTARG LongArgument(LONG value);
VARIANTARG BoolArgument(bool value);
VARIANTARG TextArgument(BSTR text);
VARIANTARG DispatchArgument(IDispatch* dispatch);
VARIANTARG LongReference(LONG* value);
VARIANTARG TextReference(BSTR* text);

class LateBoundDisplay {
 public:
  // A result that no method reports, given when Invoke itself failed.
  static constexpr LONG kInvokeFailed = -0x7FFF0001;

  // Creates the object and binds all 29 names. False (with `hr` set) when any step fails.
  bool Create(HRESULT* hr);

  // Invokes `method` with `arguments` in declaration order. The caller clears `result`.
  HRESULT Invoke(Method method, std::initializer_list<VARIANTARG> arguments, VARIANT* result);

  // Calls that report a result code in pRC; kInvokeFailed when Invoke failed.
  LONG CallForResult(Method method, std::initializer_list<VARIANTARG> arguments);

  LONG OpenService(const wchar_t* deviceName);
  LONG ClaimDevice(LONG timeout) { return CallForResult(Method::kClaimDevice, {LongArgument(timeout)}); }
  LONG ReleaseDevice() { return CallForResult(Method::kReleaseDevice, {}); }
  LONG CloseService() { return CallForResult(Method::kCloseService, {}); }
  LONG DisplayText(BSTR text, LONG attribute) {
    return CallForResult(Method::kDisplayText, {TextArgument(text), LongArgument(attribute)});
  }
  LONG DisplayTextAt(LONG row, LONG column, BSTR text, LONG attribute) {
    return CallForResult(Method::kDisplayTextAt,
                         {LongArgument(row), LongArgument(column), TextArgument(text), LongArgument(attribute)});
  }
  LONG ClearText() { return CallForResult(Method::kClearText, {}); }
  LONG ScrollText(LONG direction, LONG units) {
    return CallForResult(Method::kScrollText, {LongArgument(direction), LongArgument(units)});
  }
  LONG CheckHealth(LONG level) { return CallForResult(Method::kCheckHealth, {LongArgument(level)}); }
  LONG GetPropertyNumber(LONG index) { return CallForResult(Method::kGetPropertyNumber, {LongArgument(index)}); }
  // False when Invoke failed or gave no number.
  bool SetPropertyNumber(LONG index, LONG number);
  // The text, or false when Invoke failed or gave no string.
  bool GetPropertyString(LONG index, std::wstring* text);

  IDispatch* dispatch() const { return dispatch_.get(); }
  // Invoke failures so far.
  int invokeFailures() const { return invokeFailures_; }
  HRESULT lastFailure() const { return lastFailure_; }

 private:
  win32::ComPtr<IDispatch> dispatch_;
  DISPID dispIds_[kMethodCount + 1] = {};
  int invokeFailures_ = 0;
  HRESULT lastFailure_ = S_OK;
};

}  // namespace orvix::wine_client
