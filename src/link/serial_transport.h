#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/serial_port.h"

namespace orvix {

// The display on a serial COM port. One per process.
class SerialTransport {
 public:
  // How long a read waits for the display's answer.
  static constexpr uint32_t kReadTimeoutMs = 1000;

  explicit SerialTransport(platform::SerialPort& port) : port_(port) {}

  // Opens the port and raises RTS and DTR. False when it cannot be opened.
  bool Open(const char* portName);

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
  // its modem lines (a pty, some USB-serial drivers) counts as clear to send.
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
