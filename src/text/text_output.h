#pragma once
#include <cstdint>

#include "common/display_state.h"
#include "diag/debug_log.h"
#include "link/device_link.h"
#include "platform/ansi_codec.h"

namespace orvix {

// Showing and clearing text, with the mirror and the cursor kept in step with what the
// display is sent. Each call sends its bytes in one write. Results are OPOS codes. Scrolling
// is in scroll_text.h.
class TextOutput {
 public:
  TextOutput(DisplayState& state, DeviceLink& link, DebugLog& log, platform::AnsiCodec& ansi)
      : state_(state), link_(link), log_(log), ansi_(ansi) {}

  int32_t DisplayText(const char16_t* data, int32_t attribute);
  int32_t DisplayTextAt(int32_t row, int32_t column, const char16_t* data, int32_t attribute);
  int32_t ClearText();

 private:
  DisplayState& state_;
  DeviceLink& link_;
  DebugLog& log_;
  platform::AnsiCodec& ansi_;
};

}  // namespace orvix
