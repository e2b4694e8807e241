#pragma once
#include <cctype>
#include <cstdint>
#include <sstream>
#include <string>

#include "common/opos.h"
#include "fakes/fake_ansi_codec.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_message_box.h"
#include "fakes/fake_registry_reader.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_usb_bus.h"
#include "fakes/memory_log_file.h"
#include "service/line_display_service.h"

namespace orvix::testing {

constexpr const char* kClassKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay";
constexpr const char* kProfileKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX\\";

// The service object over fakes of everything it reaches: the registry, a serial port whose
// display holds CTS on, a USB bus without devices, a clock, the log file and the ANSI code
// page 1252. Nothing is opened until a test calls Open.
struct ServiceRig {
  FakeRegistryReader registry;
  FakeSerialPort port;
  FakeClock clock;
  FakeAnsiCodec ansi;
  MemoryLogFile logFile;
  FakeMessageBox messageBox;
  FakeUsbBus usbBus;
  LineDisplayService service{Platform()};

  PlatformServices Platform() {
    PlatformServices platform;
    platform.registry = &registry;
    platform.serialPort = &port;
    platform.clock = &clock;
    platform.ansi = &ansi;
    platform.logFile = &logFile;
    platform.messageBox = &messageBox;
    platform.usbBus = &usbBus;
    return platform;
  }

  // The profile an installer writes for a display on COM1 at 9600 bits per second, 8 data
  // bits, no parity, one stop bit, with the given "Option".
  void SerialProfile(uint32_t option = 0x10) {
    registry.SetText(kProfileKey, "DeviceType", "COM");
    registry.SetDword(kProfileKey, "DeviceID", 0);
    registry.SetDword(kProfileKey, "Option", option);
    registry.SetText(kProfileKey, "COMPORT", "COM1");
    registry.SetText(kProfileKey, "Baud", "9600");
    registry.SetText(kProfileKey, "Parity", "0");
    registry.SetText(kProfileKey, "DataLength", "8");
    registry.SetText(kProfileKey, "StopBit", "0");
  }

  // The display's answer to the identification request: 07 and the seven-letter model.
  void AnswerModel(const std::string& model = "KVD5100") {
    Bytes reply{0x07};
    reply.insert(reply.end(), model.begin(), model.end());
    port.QueueReply(reply);
  }

  // A serial profile, a display that answers, and OpenService as the Control Object calls
  // it; the writes and the log of the opening are then cleared.
  void OpenReady(uint32_t option = 0x10) {
    SerialProfile(option);
    AnswerModel();
    Open();
    port.TakeWrites();
    logFile.contents.clear();
  }

  int32_t Open(const char16_t* deviceName = u"ORVIX") { return service.OpenService(u"LineDisplay", deviceName); }

  DisplayState& state() { return service.state(); }
};

// Every field of the state as text, so that a test can see that a call changed none.
inline std::string Snapshot(const DisplayState& s) {
  std::ostringstream out;
  out << s.checkHealthText << '|' << std::string(reinterpret_cast<const char*>(s.textCells), kDisplayCells) << '|'
      << int{s.blinkInterval} << ',' << int{s.brightness} << ',' << int{s.moveColumn} << ',' << int{s.moveRow} << ','
      << int{s.reverseVideo} << ',' << int{s.cursorColumn} << ',' << int{s.cursorRow} << ',' << int{s.cursorUpdate}
      << ',' << int{s.cursorType} << ',' << int{s.marqueeType} << ',' << s.usbDeviceSelector << ','
      << s.connectionKind << ',' << int{s.zeroBasedCoordinates} << ',' << int{s.deviceEnabled} << ','
      << int{s.claimed} << ',' << int{s.strictParameters} << ',' << int{s.logEnabled} << '|'
      << std::string(&s.modelNames[0][0], sizeof s.modelNames);
  return out.str();
}

// A log text as written to the file: every line feed stored as CR LF.
inline std::string Crlf(const std::string& text) {
  std::string stored;
  for (char c : text) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
}

// Names for parameterised cases, from a case's description.
inline std::string CaseName(std::string text) {
  for (char& c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return text;
}

}  // namespace orvix::testing
