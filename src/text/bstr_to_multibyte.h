#pragma once
#include <string>

#include "platform/ansi_codec.h"

namespace orvix {

// Converts an Automation string to 8-bit text in the system's ANSI code page; characters
// the code page lacks become its default character. Null is the empty text, and so is a
// text that cannot be converted.
std::string BstrToMultibyte(platform::AnsiCodec& ansi, const char16_t* text);

}  // namespace orvix
