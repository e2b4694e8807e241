#pragma once
#include <cstddef>

namespace orvix::platform {

// Conversion of UTF-16 text to the system's ANSI code page.
class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;

  // Converts the NUL-terminated UTF-16 text `source` (never null), terminator included.
  // With `destination` null or `destinationSize` 0 it only reports the size the result needs,
  // terminator included. Otherwise it writes at most `destinationSize` bytes and reports how
  // many it wrote. Characters that the code page cannot represent become the code page's
  // default character. Returns 0 on failure (and then `destination` holds nothing useful).
  // Never blocks; owns nothing.
  virtual int WideToAnsi(const char16_t* source, char* destination, int destinationSize) = 0;
};

}  // namespace orvix::platform
