#pragma once
#include <string>

#include "platform/log_file.h"

namespace orvix::platform {

// The log file through the C runtime, opened in binary append mode for every piece. The
// path is relative to the current directory at the moment of each write.
class StdioLogFile : public LogFile {
 public:
  explicit StdioLogFile(std::string path) : path_(std::move(path)) {}
  bool Append(const char* bytes, size_t size) override;

 private:
  std::string path_;
};

}  // namespace orvix::platform
