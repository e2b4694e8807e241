#include "text/text_output.h"

#include <algorithm>
#include <cstring>

#include "service/opos.h"

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

}  // namespace

int32_t TextOutput::DisplayText(const char16_t* data, int32_t attribute) {
  const std::string text = BstrToMultibyte(ansi_, data);
  log_.Write("DisplayText:%s,0x%x\n", text.c_str(), static_cast<unsigned>(attribute));

  if (text.empty()) {
    return RefusesBadArgument(state_, log_, "DisplayText:length is NULL!:OPOS_E_ILLEGAL\n") ? opos::kIllegal
                                                                                           : opos::kSuccess;
  }
  if (IsKnownAttribute(attribute)) {
    ApplyAttribute(state_, attribute, kDisplayTextBlink);
  } else if (RefusesBadArgument(state_, log_, "Attribute: Wrong attribute paramemter!:OPOS_E_ILLEGAL\n")) {
    return opos::kIllegal;
  }

  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandReverseVideo);
  link_.SendCommand(&buffer, kCommandBlink);

  // The text goes where the display's own cursor stands, so no cursor move is sent; the
  // mirror follows the cursor fields, which the display's home position leaves at row 0.
  if (state_.cursorRow == 0) state_.cursorRow = 1;
  const int32_t row = state_.cursorRow;
  const int32_t column = state_.cursorColumn;
  WriteMirror(state_, CellOf(row, column), BytesOf(text), text.size());
  UpdateCursor(state_, row, column, static_cast<int64_t>(text.size()));

  buffer.Append(BytesOf(text), text.size());
  link_.SendCommand(&buffer, kCommandFlush);
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

  if (IsKnownAttribute(attribute)) {
    ApplyAttribute(state_, attribute, kDisplayTextAtBlink);
  } else if (RefusesBadArgument(state_, log_, "Attribute: Wrong attribute paramemter!:OPOS_E_ILLEGAL\n")) {
    return opos::kIllegal;
  }

  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandReverseVideo);
  link_.SendCommand(&buffer, kCommandBlink);
  state_.moveRow = static_cast<uint8_t>(targetRow);
  state_.moveColumn = static_cast<uint8_t>(targetColumn);
  link_.SendCommand(&buffer, kCommandCursorMove);

  // The display counts columns from 1, the cursor fields from 0.
  const int32_t cellRow = static_cast<int32_t>(targetRow);
  const int32_t cellColumn = static_cast<int32_t>(targetColumn) - 1;
  WriteMirror(state_, CellOf(cellRow, cellColumn), BytesOf(text), text.size());
  UpdateCursor(state_, cellRow, cellColumn, static_cast<int64_t>(text.size()));

  buffer.Append(BytesOf(text), text.size());
  link_.SendCommand(&buffer, kCommandFlush);
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
