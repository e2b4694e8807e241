// CPoslinedisplay: the COM object of the class poslinedisplay. It holds nothing but its
// reference count (and, aggregated, its outer unknown); every method works on the one
// process-wide service, under its lock, and no exception leaves it.
#pragma once

#include "com/com_interface.h"
#include "com/module.h"
#include "com/process_service.h"

namespace orvix::com {

class CPoslinedisplay final : public Iposlinedisplay {
 public:
  // `outer` null: an object of its own. Otherwise the object is part of an aggregate and
  // its IUnknown methods go to `outer`.
  explicit CPoslinedisplay(IUnknown* outer) : outer_(outer) {}
  CPoslinedisplay(const CPoslinedisplay&) = delete;
  CPoslinedisplay& operator=(const CPoslinedisplay&) = delete;
  ~CPoslinedisplay() = default;

  // The object-map routine: a plain object for a null `outer`, an aggregated one otherwise.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

  // The object's own identities: IUnknown, IDispatch and Iposlinedisplay, one pointer.
  HRESULT InternalQueryInterface(REFIID riid, void** object);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* dispIds) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // Iposlinedisplay
  HRESULT STDMETHODCALLTYPE COFreezeEvents(VARIANT_BOOL Freeze, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE GetPropertyNumber(LONG PropIndex, LONG* pNumber) override;
  HRESULT STDMETHODCALLTYPE GetPropertyString(LONG PropIndex, BSTR* pString) override;
  HRESULT STDMETHODCALLTYPE SetPropertyNumber(LONG PropIndex, LONG Number) override;
  HRESULT STDMETHODCALLTYPE SetPropertyString(LONG PropIndex, BSTR String) override;
  HRESULT STDMETHODCALLTYPE OpenService(BSTR DeviceClass, BSTR DeviceName, IDispatch* pDispatch, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE CheckHealth(LONG Level, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ClaimDevice(LONG Timeout, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE CloseService(LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE DirectIO(LONG Command, LONG* pData, BSTR* pString, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ReleaseDevice(LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ClearDescriptors(LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ClearText(LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE CreateWindow(LONG ViewportRow, LONG ViewportColumn, LONG ViewportHeight,
                                         LONG ViewportWidth, LONG WindowHeight, LONG WindowWidth,
                                         LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE DestroyWindow(LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE DisplayText(BSTR Data, LONG Attribute, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE DisplayTextAt(LONG Row, LONG Column, BSTR Data, LONG Attribute, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE RefreshWindow(LONG Window, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ScrollText(LONG Direction, LONG Units, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE SetDescriptor(LONG Descriptor, LONG Attribute, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE DefineGlyph(LONG GlyphCode, BSTR Glyph, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ReadCharacterAtCursor(LONG* pChar, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE DisplayBitmap(BSTR FileName, LONG Width, LONG AlignmentX, LONG AlignmentY,
                                          LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE SetBitmap(LONG BitmapNumber, BSTR FileName, LONG Width, LONG AlignmentX,
                                      LONG AlignmentY, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE ResetStatistics(BSTR StatisticsBuffer, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE RetrieveStatistics(BSTR StatisticsBuffer, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE UpdateStatistics(BSTR StatisticsBuffer, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE CompareFirmwareVersion(BSTR FirmwareFileName, LONG* pResult, LONG* pRC) override;
  HRESULT STDMETHODCALLTYPE UpdateFirmware(BSTR FirmwareFileName, LONG* pRC) override;

 private:
  IUnknown* const outer_;  // the controlling unknown of the aggregate; null when alone
  ULONG refCount_ = 0;     // apartment-threaded: one thread calls, no atomics needed
  ModuleLock moduleLock_;
  LiveObject liveObject_;
};

// The controlling unknown of an aggregated CPoslinedisplay. It answers IUnknown itself
// and passes the other identities to the contained object, whose own IUnknown methods go
// to the outer object.
class AggregatedPoslinedisplay final : public IUnknown {
 public:
  explicit AggregatedPoslinedisplay(IUnknown* outer) : contained_(outer) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

 private:
  ULONG refCount_ = 0;
  CPoslinedisplay contained_;
};

}  // namespace orvix::com
