#pragma once
#include "platform/ansi_codec.h"

namespace orvix::win32 {

// The system's ANSI code page through WideCharToMultiByte, with the code page's own default
// character and best-fit mappings.
class Win32AnsiCodec : public platform::AnsiCodec {
 public:
  int WideToAnsi(const char16_t* source, char* destination, int destinationSize) override;
};

}  // namespace orvix::win32
