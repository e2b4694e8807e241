#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/serial_port.h"

namespace orvix {

// How an attempt to open the serial port ended.
enum class SerialOpening {
  kOpened,
  kRefused,   // the name is no serial port's: nothing was opened
  kRejected,  // it opened as no serial device, or its driver would not drop time-outs or input
  kFailed,    // it did not open
};

// The display on a serial COM port. One per process.
class SerialTransport {
 public:
  // How long a read waits for the display's answer.
  static constexpr uint32_t kReadTimeoutMs = 1000;

  explicit SerialTransport(platform::SerialPort& port) : port_(port) {}

  // Opens the port with its driver's time-outs off, and raises RTS and DTR. Anything but
  // kOpened leaves the port closed.
  SerialOpening Open(const char* portName);
  bool IsOpen() const { return port_.IsOpen(); }
  // Drops stale bytes, so that the next read sees only what the display sends from now on.
  // False, with the port closed, when the driver refuses.
  bool DiscardInput();

  // The line settings, each applied on its own as read-modify-write, so that a value the
  // driver refuses costs only that one setting. Each is true when the driver took it.
  bool SetBaudRate(uint32_t baud);
  bool SetParity(uint8_t parity);
  bool SetByteSize(uint8_t dataBits);
  bool SetStopBits(uint8_t stopBits);
  bool DisableCtsFlow();
  bool DisableRtsControl();
  bool DisableDsrFlow();
  bool DisableDtrControl();
  bool DisableFlowControl();  // CTS, DSR, DTR, RTS and XON/XOFF together

  void Close();
  void Write(const uint8_t* bytes, size_t count);
  // Reads `count` bytes, waiting at most kReadTimeoutMs; whatever arrived is in
  // `destination`. transferred() tells how many.
  void Read(uint8_t* destination, size_t count);
  // The display holds CTS on while it is powered and connected. A port that cannot report
  // its modem lines (a pty, some USB-serial drivers) counts as clear to send; a closed port,
  // or one whose device is gone, does not.
  bool IsClearToSend();

  uint32_t transferred() const { return transferred_; }
  const platform::CommSettings& portState() const { return portState_; }

 private:
  template <typename Change>
  bool Reconfigure(Change change);

  platform::SerialPort& port_;
  platform::CommSettings portState_;
  uint32_t transferred_ = 0;
};

}  // namespace orvix
