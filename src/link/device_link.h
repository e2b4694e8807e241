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

// The service object's one way to the display. It picks the serial or the USB transport by
// the state's connectionKind at every call. Any other kind (the profile's "Other", or 0
// before the first OpenService) reaches no transport at all: commands are still gathered,
// but nothing is written or read. What it keeps of its own is what a claim after a release
// needs to open the same transport again.
class DeviceLink {
 public:
  // `usb` may be null: USB then behaves like a kind without a transport.
  DeviceLink(DisplayState& state, SerialTransport& serial, UsbTransport* usb, platform::Clock& clock)
      : state_(state), serial_(serial), usb_(usb), clock_(clock) {}

  // Ids 0..28 append the command's bytes; 29 writes the whole buffer in one write (and
  // leaves it as it is). False, with nothing appended or written, for any other id.
  bool SendCommand(CommandBuffer* buffer, int32_t id);

  // Opens the port named by the profile with its line settings, and keeps the profile for
  // Reopen. A port that did not open shows up in the identification that follows; the
  // result says why it did not, for the log.
  SerialOpening OpenSerial(const DeviceProfile* profile);
  // Opens the USB device chosen by the state's usbDeviceSelector.
  bool OpenUsb();
  // Closes every transport, whatever the current kind, and forgets the last open: nothing
  // is opened again until the next OpenSerial or OpenUsb. Always true.
  bool Close();
  // Closes every transport, but a following Reopen opens the one in use again.
  void Release();
  // After Release only: opens the transport of the current kind again as it was last opened
  // (the same profile, the same USB selector). Nothing is sent: the display keeps what it
  // showed, and its presence is for the caller to test.
  void Reopen();
  // Reads `count` bytes from the transport of the current kind, waiting at most a second.
  // A count below 1 reads nothing. Always true: the caller judges the reply by its content.
  bool Read(uint8_t* destination, int32_t count);

  DisplayState& state() { return state_; }
  SerialTransport& serial() { return serial_; }
  platform::Clock& clock() { return clock_; }

 private:
  enum class Use { kNone, kOpen, kReleased };

  SerialOpening OpenKeptSerial();

  DisplayState& state_;
  SerialTransport& serial_;
  UsbTransport* usb_;
  platform::Clock& clock_;
  DeviceProfile profile_;  // of the last OpenSerial
  Use use_ = Use::kNone;
};

// Busy-waits `milliseconds` while dispatching the thread's window messages, at least once.
// It never sleeps: the decision to go on uses the tick count read before each pump.
void WaitPumping(platform::Clock& clock, uint32_t milliseconds);

}  // namespace orvix
