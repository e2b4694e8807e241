#pragma once
#include "common/display_state.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_usb_transport.h"
#include "link/device_link.h"
#include "link/identification.h"
#include "link/serial_transport.h"

namespace orvix::testing {

// A device link wired to fakes, with the state as OpenService leaves it before the profile
// is applied (serial, the model table filled) and the serial port open.
struct LinkRig {
  LinkRig() {
    ResetDisplayState(state);
    port.clock = &clock;
    port.Open("COM1");
    port.calls.clear();
    port.openedNames.clear();
  }

  // Milliseconds on the shared clock since `start`.
  uint32_t ElapsedSince(uint32_t start) const { return clock.now() - start; }

  DisplayState state;
  FakeClock clock;
  FakeSerialPort port;
  FakeUsbTransport usb;
  SerialTransport serial{port};
  DeviceLink link{state, serial, &usb, clock};
};

}  // namespace orvix::testing
