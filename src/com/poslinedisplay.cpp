#include "com/poslinedisplay.h"

#include <new>

#include "com/bstr_text.h"
#include "com/process_service.h"
#include "com/service_call.h"
#include "com/type_info_holder.h"
#include "common/opos.h"

namespace orvix::com {
namespace {

TypeInfoHolder g_typeInfo(IID_Iposlinedisplay, LIBID_ORVIXLib, 1, 0);

// A method with an OPOS result code, by its published name (which an exception's log line
// names): OPOS_E_FAILURE when `body` throws.
template <typename Body>
HRESULT Report(const char* method, LONG* pRC, Body&& body) {
  return CallService<LONG>(method, pRC, opos::kFailure, body);
}

// `method` is the published name of the caller, which the log line names.
HRESULT Refuse(const char* method, LONG* pRC) {
  return Report(method, pRC, [&] { return ProcessService().Unsupported(method); });
}

// Makes an object, asks it for `riid`, and lets it go again when that fails.
template <typename Object>
HRESULT CreateAndQuery(IUnknown* outer, REFIID riid, void** object) {
  auto* created = new (std::nothrow) Object(outer);
  if (created == nullptr) return E_OUTOFMEMORY;
  created->AddRef();
  const HRESULT hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

}  // namespace

HRESULT CPoslinedisplay::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer == nullptr) return CreateAndQuery<CPoslinedisplay>(nullptr, riid, object);
  return CreateAndQuery<AggregatedPoslinedisplay>(outer, riid, object);
}

HRESULT CPoslinedisplay::InternalQueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_Iposlinedisplay)) {
    *object = static_cast<Iposlinedisplay*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::QueryInterface(REFIID riid, void** object) {
  if (outer_ == nullptr) return InternalQueryInterface(riid, object);
  HRESULT hr = outer_->QueryInterface(riid, object);
  // An outer object that knows nothing of our interface still lets its callers reach it.
  if (FAILED(hr) && outer_ != static_cast<IUnknown*>(this)) hr = InternalQueryInterface(riid, object);
  return hr;
}

ULONG STDMETHODCALLTYPE CPoslinedisplay::AddRef() {
  if (outer_ != nullptr) return outer_->AddRef();
  return ++refCount_;
}

ULONG STDMETHODCALLTYPE CPoslinedisplay::Release() {
  if (outer_ != nullptr) return outer_->Release();
  const ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT STDMETHODCALLTYPE AggregatedPoslinedisplay::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  return contained_.InternalQueryInterface(riid, object);
}

ULONG STDMETHODCALLTYPE AggregatedPoslinedisplay::AddRef() { return ++refCount_; }

ULONG STDMETHODCALLTYPE AggregatedPoslinedisplay::Release() {
  const ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::GetTypeInfoCount(UINT* count) {
  return GuardEntry("GetTypeInfoCount", [&] {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::GetTypeInfo(UINT, LCID lcid, ITypeInfo** typeInfo) {
  return GuardEntry("GetTypeInfo", [&] { return g_typeInfo.GetTypeInfo(lcid, typeInfo); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                                                         DISPID* dispIds) {
  return GuardEntry("GetIDsOfNames", [&] { return g_typeInfo.GetIDsOfNames(names, count, lcid, dispIds); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::Invoke(DISPID dispId, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                                                  VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  return GuardEntry("Invoke", [&] {
    return g_typeInfo.Invoke(static_cast<Iposlinedisplay*>(this), dispId, lcid, flags, params, result, exception,
                             argumentError);
  });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) {
  return Report("COFreezeEvents", pRC, [&] { return ProcessService().COFreezeEvents(Freeze); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::GetPropertyNumber(LONG PropIndex, LONG* pNumber) {
  return CallService<LONG>("GetPropertyNumber", pNumber, 0,
                           [&] { return ProcessService().GetPropertyNumber(PropIndex); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::GetPropertyString(LONG PropIndex, BSTR* pString) {
  // The null BSTR is the empty text.
  return CallService<BSTR>("GetPropertyString", pString, nullptr, [&]() -> BSTR {
    const std::string text = ProcessService().GetPropertyString(PropIndex);
    return pString != nullptr ? AllocBstrFromAnsi(text) : nullptr;
  });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::SetPropertyNumber(LONG PropIndex, LONG Number) {
  RunGuarded("SetPropertyNumber", [&] { ProcessService().SetPropertyNumber(PropIndex, Number); });
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::SetPropertyString(LONG PropIndex, BSTR String) {
  RunGuarded("SetPropertyString", [&] { ProcessService().SetPropertyString(PropIndex, BstrText(String)); });
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch*, LONG* pRC) {
  // The Control Object's own dispatch interface is for events, and none are raised.
  return Report("OpenService", pRC,
                [&] { return ProcessService().OpenService(BstrText(DeviceClass), BstrText(DeviceName)); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::CheckHealth(LONG Level, LONG* pRC) {
  return Report("CheckHealth", pRC, [&] { return ProcessService().CheckHealth(Level); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ClaimDevice(LONG Timeout, LONG* pRC) {
  return Report("ClaimDevice", pRC, [&] { return ProcessService().ClaimDevice(Timeout); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::CloseService(LONG* pRC) {
  return Report("CloseService", pRC, [&] { return ProcessService().CloseService(); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::DirectIO(LONG Command, LONG*, BSTR*, LONG* pRC) {
  return Report("DirectIO", pRC, [&] { return ProcessService().DirectIO(Command); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ReleaseDevice(LONG* pRC) {
  return Report("ReleaseDevice", pRC, [&] { return ProcessService().ReleaseDevice(); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ClearDescriptors(LONG* pRC) {
  return Refuse("ClearDescriptors", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ClearText(LONG* pRC) {
  return Report("ClearText", pRC, [&] { return ProcessService().ClearText(); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::CreateWindow(LONG, LONG, LONG, LONG, LONG, LONG, LONG* pRC) {
  return Refuse("CreateWindow", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::DestroyWindow(LONG* pRC) {
  return Refuse("DestroyWindow", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::DisplayText(BSTR Data, LONG Attribute, LONG* pRC) {
  return Report("DisplayText", pRC, [&] { return ProcessService().DisplayText(BstrText(Data), Attribute); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::DisplayTextAt(LONG Row, LONG Column, BSTR Data, LONG Attribute,
                                                         LONG* pRC) {
  return Report("DisplayTextAt", pRC,
                [&] { return ProcessService().DisplayTextAt(Row, Column, BstrText(Data), Attribute); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::RefreshWindow(LONG, LONG* pRC) {
  return Refuse("RefreshWindow", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ScrollText(LONG Direction, LONG Units, LONG* pRC) {
  return Report("ScrollText", pRC, [&] { return ProcessService().ScrollText(Direction, Units); });
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::SetDescriptor(LONG, LONG, LONG* pRC) {
  return Refuse("SetDescriptor", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::DefineGlyph(LONG, BSTR, LONG* pRC) {
  return Refuse("DefineGlyph", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ReadCharacterAtCursor(LONG*, LONG* pRC) {
  return Refuse("ReadCharacterAtCursor", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::DisplayBitmap(BSTR, LONG, LONG, LONG, LONG* pRC) {
  return Refuse("DisplayBitmap", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::SetBitmap(LONG, BSTR, LONG, LONG, LONG, LONG* pRC) {
  return Refuse("SetBitmap", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::ResetStatistics(BSTR, LONG* pRC) {
  return Refuse("ResetStatistics", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::RetrieveStatistics(BSTR, LONG* pRC) {
  return Refuse("RetrieveStatistics", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::UpdateStatistics(BSTR, LONG* pRC) {
  return Refuse("UpdateStatistics", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::CompareFirmwareVersion(BSTR, LONG*, LONG* pRC) {
  return Refuse("CompareFirmwareVersion", pRC);
}

HRESULT STDMETHODCALLTYPE CPoslinedisplay::UpdateFirmware(BSTR, LONG* pRC) {
  return Refuse("UpdateFirmware", pRC);
}

}  // namespace orvix::com
