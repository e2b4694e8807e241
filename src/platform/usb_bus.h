#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvix::platform {

// A device interface class, laid out like the platform's GUID.
struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

inline bool operator==(const Guid& a, const Guid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.data4[i] != b.data4[i]) return false;
  }
  return true;
}
inline bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }

// One pipe file of a USB device driver, open for overlapped reading and writing. Destroying
// it closes the file; a transfer never outlives the call that started it.
class UsbPipe {
 public:
  virtual ~UsbPipe() = default;

  // Writes `count` bytes, waiting at most `timeoutMs` for the driver to take them. Returns
  // the number it took (0 on failure or time-out). A transfer still going when the wait
  // ends is cancelled before the call returns: `bytes` is not read afterwards. A write that
  // the driver refuses at once returns at once.
  virtual size_t Write(const uint8_t* bytes, size_t count, uint32_t timeoutMs) = 0;

  // Reads up to `count` bytes into `destination`, waiting at most `timeoutMs`, and at most a
  // further 100 ms for a driver that is slow to cancel the read. Returns the number delivered,
  // also those that came before a failure or time-out (0 for a read the driver never
  // finished, and at once while it holds four such cancelled reads). Nothing is written into
  // `destination` after it returns. A read refused at once returns at once.
  virtual size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) = 0;
};

// The device interfaces that USB drivers expose, and their pipe files.
class UsbBus {
 public:
  virtual ~UsbBus() = default;

  // The paths of the device interfaces of `interfaceClass` that are present now, in the
  // platform's enumeration order. Empty when there are none or the enumeration cannot be
  // made; an interface whose path cannot be read is left out. Blocks while the platform
  // looks through its devices; holds nothing afterwards.
  virtual std::vector<std::string> EnumerateInterfaces(const Guid& interfaceClass) = 0;

  // Opens the existing file `name` (NUL-terminated, ANSI) for reading and writing, shared
  // for both, with overlapped I/O. Null when it cannot be opened. The caller owns the pipe.
  virtual std::unique_ptr<UsbPipe> OpenPipe(const char* name) = 0;
};

}  // namespace orvix::platform
