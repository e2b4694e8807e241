#pragma once
#include <string>

#include "platform/log_file.h"

namespace orvix::testing {

// The log file in memory: every piece appended in order, or refused while `unopenable`.
class MemoryLogFile : public platform::LogFile {
 public:
  bool Append(const char* bytes, size_t size) override {
    ++opens;
    if (unopenable) return false;
    contents.append(bytes, size);
    return true;
  }
  std::string contents;
  int opens = 0;
  bool unopenable = false;
};

}  // namespace orvix::testing
