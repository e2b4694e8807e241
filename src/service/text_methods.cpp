#include "service/line_display_service.h"
#include "text/scroll_text.h"
#include "text/text_output.h"

namespace orvix {

int32_t LineDisplayService::ClearText() {
  return TextOutput(state_, link_, log_, *platform_.ansi).ClearText();
}

int32_t LineDisplayService::DisplayText(const char16_t* data, int32_t attribute) {
  return TextOutput(state_, link_, log_, *platform_.ansi).DisplayText(data, attribute);
}

int32_t LineDisplayService::DisplayTextAt(int32_t row, int32_t column, const char16_t* data, int32_t attribute) {
  return TextOutput(state_, link_, log_, *platform_.ansi).DisplayTextAt(row, column, data, attribute);
}

int32_t LineDisplayService::ScrollText(int32_t direction, int32_t units) {
  return orvix::ScrollText(state_, link_, log_, direction, units);
}

}  // namespace orvix
