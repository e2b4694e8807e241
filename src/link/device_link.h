#pragma once
#include <cstdint>

#include "common/display_state.h"
#include "link/command_buffer.h"
#include "link/device_profile.h"
#include "link/display_command.h"
#include "link/serial_transport.h"
#include "link/usb_transport.h"
#include "platform/clock.h"

namespace orvix {

// The service object's one way to the display. It has no state of its own: it picks the
// serial or the USB transport by the state's connectionKind at every call. Any other kind
// (the profile's "Other", or 0 before the first OpenService) reaches no transport at all:
// commands are still gathered, but nothing is written, read or closed.
class DeviceLink {
 public:
  // `usb` may be null: USB then behaves like a kind without a transport.
  DeviceLink(DisplayState& state, SerialTransport& serial, UsbTransport* usb, platform::Clock& clock)
      : state_(state), serial_(serial), usb_(usb), clock_(clock) {}

  // Ids 0..28 append the command's bytes; 29 writes the whole buffer in one write (and
  // leaves it as it is). False, with nothing appended or written, for any other id.
  bool SendCommand(CommandBuffer* buffer, int32_t id);

  // Opens the port named by the profile with its line settings. Always true: a port that
  // did not open shows up in the identification that follows.
  bool OpenSerial(const DeviceProfile* profile);
  // Opens the USB device chosen by the state's usbDeviceSelector.
  bool OpenUsb();
  // Closes the transport of the current kind. Always true.
  bool Close();
  // Reads `count` bytes from the transport of the current kind, waiting at most a second.
  // A count below 1 reads nothing. Always true: the caller judges the reply by its content.
  bool Read(uint8_t* destination, int32_t count);

  DisplayState& state() { return state_; }
  SerialTransport& serial() { return serial_; }
  platform::Clock& clock() { return clock_; }

 private:
  DisplayState& state_;
  SerialTransport& serial_;
  UsbTransport* usb_;
  platform::Clock& clock_;
};

// Busy-waits `milliseconds` while dispatching the thread's window messages, at least once.
// It never sleeps: the decision to go on uses the tick count read before each pump.
void WaitPumping(platform::Clock& clock, uint32_t milliseconds);

}  // namespace orvix
