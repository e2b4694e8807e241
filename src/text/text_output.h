#pragma once
#include <cstdint>
#include <string>

#include "diag/debug_log.h"
#include "link/device_link.h"
#include "platform/ansi_codec.h"
#include "common/display_state.h"

namespace orvix {

// Converts an Automation string to 8-bit text in the system's ANSI code page; characters
// the code page lacks become its default character. Null is the empty text.
std::string BstrToMultibyte(platform::AnsiCodec& ansi, const char16_t* text);

// Showing, clearing and scrolling text, with the mirror and the cursor kept in step with
// what the display is sent. Each call sends its bytes in one write. Results are OPOS codes.
class TextOutput {
 public:
  TextOutput(DisplayState& state, DeviceLink& link, DebugLog& log, platform::AnsiCodec& ansi)
      : state_(state), link_(link), log_(log), ansi_(ansi) {}

  int32_t DisplayText(const char16_t* data, int32_t attribute);
  int32_t DisplayTextAt(int32_t row, int32_t column, const char16_t* data, int32_t attribute);
  int32_t ClearText();
  int32_t ScrollText(int32_t direction, int32_t units);

 private:
  DisplayState& state_;
  DeviceLink& link_;
  DebugLog& log_;
  platform::AnsiCodec& ansi_;
};

}  // namespace orvix
