#pragma once
#include <cstddef>

namespace orvix::platform {

// The file that the debug log appends to.
class LogFile {
 public:
  virtual ~LogFile() = default;

  // Opens the log file for appending (creating it when missing), writes `size` bytes exactly
  // as given, flushes and closes it again: nothing is held open between two calls. Returns
  // false when the file cannot be opened; the bytes are then lost. Blocks for the file I/O.
  virtual bool Append(const char* bytes, size_t size) = 0;
};

}  // namespace orvix::platform
