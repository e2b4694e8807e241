#pragma once
#include <cstddef>
#include <cstdint>

namespace orvix::platform {

// The line settings of a serial port, with the platform's own encodings (those of the
// Win32 DCB record): parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one,
// 1 one and a half, 2 two; byteSize the number of data bits; rtsControl and dtrControl
// 0 disable, 1 enable, 2 handshake (3 toggle for RTS).
struct CommSettings {
  uint32_t baudRate = 0;
  uint8_t parity = 0;
  uint8_t byteSize = 0;
  uint8_t stopBits = 0;
  bool outxCtsFlow = false;
  bool outxDsrFlow = false;
  uint8_t dtrControl = 0;
  uint8_t rtsControl = 0;
  bool outX = false;
  bool inX = false;
};

// What the modem status of a port says about its CTS line.
enum class ModemStatus {
  kCtsOn,
  kCtsOff,
  // The driver cannot report modem lines (a pty, some USB-serial drivers); the port works.
  kNotReported,
  // The port is closed, or its device is gone (an unplugged adapter, a dropped line).
  kFailed,
};

// How an open went.
enum class PortOpening {
  kOpened,
  // The name opened something that is no serial port (a file, a pipe, a printer); it was
  // closed again without a byte read or written.
  kNotSerial,
  kFailed,
};

enum class ControlLine { kSetRts = 3, kSetDtr = 5 };

// One serial port at a time, opened for overlapped I/O.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the port named exactly `name` (e.g. "COM1"; no prefix is added) for reading and
  // writing, not shared, and keeps it only when it takes serial line settings. A server at
  // the other end of a named pipe may identify the caller but not act as it. Anything but
  // kOpened leaves the port closed. Must only be called while closed.
  virtual PortOpening Open(const char* name) = 0;

  // Closes the port; waits (bounded) for writes still on their way. Harmless when closed.
  virtual void Close() = 0;

  virtual bool IsOpen() const = 0;

  // Raises a control line. False when the driver refuses or the port is closed.
  virtual bool Escape(ControlLine line) = 0;

  // Reads the port's current line settings into `settings`. False when they cannot be read;
  // `settings` is then unchanged.
  virtual bool GetState(CommSettings* settings) = 0;

  // Applies `settings`. False when the driver refuses them; the port then keeps its
  // previous settings.
  virtual bool SetState(const CommSettings& settings) = 0;

  // Asks the driver for the modem lines; returns at once.
  virtual ModemStatus GetModemStatus() = 0;

  // Switches the driver's own read and write time-outs off, whatever another program left
  // set: a read then ends only when all its bytes came or Read's own wait ran out, and a
  // write is never cut short. False when the driver refuses or the port is closed.
  virtual bool ClearTimeouts() = 0;

  // Drops the bytes the driver holds that no read has taken yet, and ends any read still on
  // its way. False when the driver refuses or the port is closed.
  virtual bool PurgeInput() = 0;

  // Starts writing `count` bytes and returns without waiting for the line. The bytes are
  // copied before it returns. Writes reach the line in call order. Failures are silent.
  virtual void Write(const uint8_t* bytes, size_t count) = 0;

  // Reads up to `count` bytes into `destination`, waiting at most `timeoutMs` for all of
  // them, and at most a further 100 ms for a driver that is slow to cancel the read. Returns
  // the number delivered, also those that came before a time-out (0 on a closed port, and at
  // once while the driver holds four cancelled reads that it never finished). Nothing is
  // written into `destination` after it returns; bytes that arrive later stay for the next
  // read, except those that the driver still puts into a cancelled read.
  virtual size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) = 0;
};

}  // namespace orvix::platform
