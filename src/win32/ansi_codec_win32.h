#pragma once
#include <string>

#include "platform/ansi_codec.h"

namespace orvix::win32 {

// The system's ANSI code page through WideCharToMultiByte, with the code page's own default
// character and best-fit mappings.
class Win32AnsiCodec : public platform::AnsiCodec {
 public:
  int WideToAnsi(const char16_t* source, char* destination, int destinationSize) override;
};

// Text in the ANSI code page as UTF-16, for the calls that take only wide strings (a module
// path for the type library, a BSTR argument).
std::wstring AnsiToWide(const std::string& text);

}  // namespace orvix::win32
