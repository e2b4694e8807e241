#pragma once
#include <cstddef>
#include <cstdint>

namespace orvix {

// The display reached through its USB driver: a device interface with a read pipe and a
// write pipe.
class UsbTransport {
 public:
  virtual ~UsbTransport() = default;
  // Finds the device for `selector` and opens its pipes. False only for a selector that
  // names no known device; a device that is missing shows in the reads that follow.
  virtual bool Open(int32_t selector, int32_t mode) = 0;
  virtual void Close() = 0;
  // Both wait at most one second and report nothing; neither touches the caller's bytes
  // after it returns.
  virtual void Write(const uint8_t* bytes, size_t count) = 0;
  virtual void Read(uint8_t* destination, size_t count) = 0;
};

}  // namespace orvix
