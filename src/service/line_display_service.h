#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "common/display_state.h"
#include "diag/debug_log.h"
#include "link/device_link.h"
#include "link/serial_transport.h"
#include "link/usb_display_transport.h"
#include "service/platform_services.h"

namespace orvix {

// The OPOS LineDisplay service: the bodies of the 29 methods, on the state they share. Texts
// come in as UTF-16 (the Automation strings; null is the empty text). Methods that report an
// OPOS result code return it. No method checks whether the service is open, claimed or
// enabled: the Control Object keeps that bookkeeping. The DLL holds one per process.
//
// Where each method is, in this folder unless named otherwise:
//   OpenService                                  open_service.cpp (the profile: registry_profile.h)
//   ClaimDevice, ReleaseDevice, CloseService,
//   CloseTransport, DirectIO, COFreezeEvents     life_cycle.cpp
//   CheckHealth                                  check_health.cpp
//   GetPropertyNumber, SetPropertyNumber,
//   GetPropertyString, SetPropertyString         properties.cpp
//   DisplayText, DisplayTextAt, ClearText        text_methods.cpp, on text/text_output.h
//   ScrollText                                   text_methods.cpp, on text/scroll_text.h
//   ClearDescriptors, CreateWindow, DestroyWindow, RefreshWindow, SetDescriptor,
//   DefineGlyph, ReadCharacterAtCursor, DisplayBitmap, SetBitmap, ResetStatistics,
//   RetrieveStatistics, UpdateStatistics, CompareFirmwareVersion, UpdateFirmware
//                                                unsupported.cpp: Unsupported with the name
class LineDisplayService {
 public:
  explicit LineDisplayService(const PlatformServices& platform);
  LineDisplayService(const LineDisplayService&) = delete;
  LineDisplayService& operator=(const LineDisplayService&) = delete;

  // `freeze` is the caller's truth value as it was passed (VARIANT_BOOL).
  int32_t COFreezeEvents(int16_t freeze);
  int32_t GetPropertyNumber(int32_t propIndex);
  std::string GetPropertyString(int32_t propIndex);
  void SetPropertyNumber(int32_t propIndex, int32_t number);
  void SetPropertyString(int32_t propIndex, const char16_t* text);
  int32_t OpenService(const char16_t* deviceClass, const char16_t* deviceName);
  int32_t CheckHealth(int32_t level);
  int32_t ClaimDevice(int32_t timeout);
  int32_t CloseService();
  // Knows no command: changes nothing and refuses every one.
  int32_t DirectIO(int32_t command);
  int32_t ReleaseDevice();
  int32_t ClearText();
  int32_t DisplayText(const char16_t* data, int32_t attribute);
  int32_t DisplayTextAt(int32_t row, int32_t column, const char16_t* data, int32_t attribute);
  int32_t ScrollText(int32_t direction, int32_t units);
  // One of the fourteen operations the display does not have, by its published name (which
  // the log line names): each is refused the same way and changes nothing.
  int32_t Unsupported(const char* method);
  // Closes the transport without the bookkeeping of CloseService, and logs nothing: for
  // when no object of the process is left to call CloseService.
  void CloseTransport();

  DisplayState& state() { return state_; }
  DeviceLink& link() { return link_; }
  DebugLog& log() { return log_; }
  const PlatformServices& platform() const { return platform_; }

 private:
  PlatformServices platform_;
  DisplayState state_;
  DebugLog log_;
  SerialTransport serial_;
  std::unique_ptr<UsbDisplayTransport> usb_;  // none without a USB bus
  // Closed at every OpenService, this one object stands for the fresh link that each makes:
  // nothing is allocated per open, and an OpenService re-entered from a window message
  // during the identification finds nothing freed under it.
  DeviceLink link_;
};

}  // namespace orvix
