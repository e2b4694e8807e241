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

// Modem status bits, as GetCommModemStatus reports them.
constexpr uint32_t kModemCtsOn = 0x10;

enum class ControlLine { kSetRts = 3, kSetDtr = 5 };

// One serial port at a time, opened for overlapped I/O.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the port named exactly `name` (e.g. "COM1"; no prefix is added) for reading and
  // writing, not shared. False when it cannot be opened; the port is then closed. Must only
  // be called while closed.
  virtual bool Open(const char* name) = 0;

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

  // Reads the modem status bits. False when the driver cannot report them (a pty, some
  // USB-serial drivers) or the port is closed.
  virtual bool GetModemStatus(uint32_t* status) = 0;

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
