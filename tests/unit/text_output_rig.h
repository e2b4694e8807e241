#pragma once
#include <cstring>
#include <string>

#include "common/display_state.h"
#include "diag/debug_log.h"
#include "fakes/fake_ansi_codec.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "fakes/memory_log_file.h"
#include "link/device_link.h"
#include "link/serial_transport.h"
#include "text/bstr_to_multibyte.h"
#include "text/scroll_text.h"
#include "text/text_output.h"

namespace orvix::testing {

// A freshly opened display on a serial port, with the log on and the fakes wired in.
struct TextOutputRig {
  DisplayState state;
  FakeSerialPort port;
  SerialTransport serial{port};
  FakeClock clock;
  DeviceLink link{state, serial, nullptr, clock};
  MemoryLogFile logFile;
  DebugLog log{state.logEnabled, logFile};
  FakeAnsiCodec ansi;
  TextOutput text{state, link, log, ansi};

  TextOutputRig() {
    ResetDisplayState(state);
    state.connectionKind = kConnectionSerial;
    state.logEnabled = 1;
    port.Open("COM1");
  }

  std::string Cells() const { return std::string(reinterpret_cast<const char*>(state.textCells), kDisplayCells); }
  void SetCells(const std::string& cells) {
    std::memset(state.textCells, ' ', kDisplayCells);
    std::memcpy(state.textCells, cells.data(), cells.size() < kDisplayCells ? cells.size() : kDisplayCells);
  }
};

// The forty cells from the two rows' texts, each padded with spaces.
inline std::string Rows(const std::string& upper, const std::string& lower = "") {
  return (upper + std::string(kDisplayColumns, ' ')).substr(0, kDisplayColumns) +
         (lower + std::string(kDisplayColumns, ' ')).substr(0, kDisplayColumns);
}

// The bytes of a text as hex, for the expected transfers.
inline std::string HexOf(const std::string& text) {
  return ToHex(Bytes(text.begin(), text.end()));
}

}  // namespace orvix::testing
