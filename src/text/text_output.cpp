#include "text/text_output.h"

#include <algorithm>
#include <cstring>

#include "common/opos.h"
#include "link/command_buffer.h"
#include "link/display_command.h"
#include "text/bstr_to_multibyte.h"

namespace orvix {
namespace {

// The blink command's parameter for a blinking attribute is not the same for the two
// methods: DisplayTextAt uses 0x32, the rate OpenService starts with. Either one overwrites
// whatever the blink-rate property stored.
constexpr uint8_t kDisplayTextBlink = 1;
constexpr uint8_t kDisplayTextAtBlink = 0x32;

bool IsKnownAttribute(int32_t attribute) {
  return attribute >= opos::kDisplayNormal && attribute <= opos::kDisplayBlinkReverse;
}

void ApplyAttribute(DisplayState& state, int32_t attribute, uint8_t blinkParameter) {
  const bool blink = attribute == opos::kDisplayBlink || attribute == opos::kDisplayBlinkReverse;
  const bool reverse = attribute == opos::kDisplayReverse || attribute == opos::kDisplayBlinkReverse;
  state.blinkInterval = blink ? blinkParameter : 0;
  state.reverseVideo = reverse ? 1 : 0;
}

// Logs the failure line of a bad argument. True when the call must end there with
// OPOS_E_ILLEGAL; otherwise the caller repairs the argument and goes on.
bool RefusesBadArgument(const DisplayState& state, DebugLog& log, const char* message) {
  log.Write("%s", message);
  return state.strictParameters != 0;
}

const uint8_t* BytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// Sets blink and reverse from a known attribute; a bad one is logged and, unless the call
// must end there (false), leaves the settings of the previous text in place.
bool TakeAttribute(DisplayState& state, DebugLog& log, int32_t attribute, uint8_t blinkParameter) {
  if (IsKnownAttribute(attribute)) {
    ApplyAttribute(state, attribute, blinkParameter);
    return true;
  }
  return !RefusesBadArgument(state, log, "Attribute: Wrong attribute paramemter!:OPOS_E_ILLEGAL\n");
}

// Writes the text into the mirror from (row, column), moves the cursor fields past it, and
// sends the buffer with the text at its end in one write.
void SendTextAt(DisplayState& state, DeviceLink& link, CommandBuffer& buffer, int32_t row, int32_t column,
                const std::string& text) {
  WriteMirror(state, CellOf(row, column), BytesOf(text), text.size());
  UpdateCursor(state, row, column, static_cast<int64_t>(text.size()));
  buffer.Append(BytesOf(text), text.size());
  link.SendCommand(&buffer, kCommandFlush);
}

}  // namespace

int32_t TextOutput::DisplayText(const char16_t* data, int32_t attribute) {
  const std::string text = BstrToMultibyte(ansi_, data);
  log_.Write("DisplayText:%s,0x%x\n", text.c_str(), static_cast<unsigned>(attribute));

  if (text.empty()) {
    return RefusesBadArgument(state_, log_, "DisplayText:length is NULL!:OPOS_E_ILLEGAL\n") ? opos::kIllegal
                                                                                           : opos::kSuccess;
  }
  if (!TakeAttribute(state_, log_, attribute, kDisplayTextBlink)) return opos::kIllegal;

  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandReverseVideo);
  link_.SendCommand(&buffer, kCommandBlink);

  // The text goes where the display's own cursor stands, so no cursor move is sent; the
  // mirror follows the cursor fields, which the display's home position leaves at row 0.
  if (state_.cursorRow == 0) state_.cursorRow = 1;
  SendTextAt(state_, link_, buffer, state_.cursorRow, state_.cursorColumn, text);
  return opos::kSuccess;
}

int32_t TextOutput::DisplayTextAt(int32_t row, int32_t column, const char16_t* data, int32_t attribute) {
  const std::string text = BstrToMultibyte(ansi_, data);
  log_.Write("DisplayTextAt:0x%x,0x%x,%s,0x%x\n", static_cast<unsigned>(row), static_cast<unsigned>(column),
             text.c_str(), static_cast<unsigned>(attribute));

  if (text.empty()) {
    return RefusesBadArgument(state_, log_, "DisplayTextAt:length is NULL!:OPOS_E_ILLEGAL\n") ? opos::kIllegal
                                                                                             : opos::kSuccess;
  }

  // Widened: a zero-based coordinate of 0x7FFFFFFF plus one must still compare as too big.
  int64_t targetRow = row;
  int64_t targetColumn = column;
  if (state_.zeroBasedCoordinates == 0) {
    log_.Write("DisplayTextAt:coordinate system is (1,1)\n");
  } else {
    log_.Write("DisplayTextAt:coordinate system is (0,0)\n");
    ++targetRow;
    ++targetColumn;
  }
  const bool rowInRange = targetRow >= 1 && targetRow <= kDisplayRows;
  const bool columnInRange = targetColumn >= 1 && targetColumn <= kDisplayColumns;
  if (!rowInRange || !columnInRange) {
    if (RefusesBadArgument(state_, log_, "DisplayTextAt:Out of range!:OPOS_E_ILLEGAL\n")) return opos::kIllegal;
    targetRow = std::clamp<int64_t>(targetRow, 1, kDisplayRows);
    targetColumn = std::clamp<int64_t>(targetColumn, 1, kDisplayColumns);
  }

  if (!TakeAttribute(state_, log_, attribute, kDisplayTextAtBlink)) return opos::kIllegal;

  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandReverseVideo);
  link_.SendCommand(&buffer, kCommandBlink);
  state_.moveRow = static_cast<uint8_t>(targetRow);
  state_.moveColumn = static_cast<uint8_t>(targetColumn);
  link_.SendCommand(&buffer, kCommandCursorMove);

  // The display counts columns from 1, the cursor fields from 0.
  SendTextAt(state_, link_, buffer, static_cast<int32_t>(targetRow), static_cast<int32_t>(targetColumn) - 1, text);
  return opos::kSuccess;
}

int32_t TextOutput::ClearText() {
  log_.Write("ClearText\n");

  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandClear);
  link_.SendCommand(&buffer, kCommandFlush);

  // Clearing homes the display's cursor.
  state_.cursorColumn = 0;
  state_.cursorRow = 0;
  std::memset(state_.textCells, ' ', sizeof state_.textCells);
  return opos::kSuccess;
}

}  // namespace orvix
