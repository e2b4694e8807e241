#include "platform/stdio_log_file.h"

#include <cstdio>

namespace orvix::platform {

bool StdioLogFile::Append(const char* bytes, size_t size) {
  std::FILE* file = std::fopen(path_.c_str(), "ab");
  if (file == nullptr) return false;
  std::fwrite(bytes, 1, size, file);
  std::fflush(file);
  std::fclose(file);
  return true;
}

}  // namespace orvix::platform
