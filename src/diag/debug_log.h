#pragma once
#include <cstdint>

#include "platform/log_file.h"

namespace orvix {

// The diagnostic log: every piece goes to the end of the log file, formatted printf-style,
// with each line feed stored as CR LF. Nothing is formatted and the file is not touched
// while `logEnabled` is 0. A file that cannot be opened loses the piece silently.
class DebugLog {
 public:
  DebugLog(const uint8_t& logEnabled, platform::LogFile& file) : logEnabled_(logEnabled), file_(file) {}

#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void Write(const char* format, ...);

  bool enabled() const { return logEnabled_ != 0; }

 private:
  const uint8_t& logEnabled_;
  platform::LogFile& file_;
};

}  // namespace orvix
