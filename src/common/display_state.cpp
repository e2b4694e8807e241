#include "common/display_state.h"

#include <cstring>

#include "common/opos.h"

namespace orvix {
namespace {

int64_t WrapCell(int64_t cell) {
  int64_t wrapped = cell % kDisplayCells;
  return wrapped < 0 ? wrapped + kDisplayCells : wrapped;
}

}  // namespace

void ResetDisplayState(DisplayState& state) {
  std::memcpy(state.modelNames[0], "KVD5100", kModelNameLength);
  std::memcpy(state.modelNames[1], "KVD5130", kModelNameLength);
  std::memcpy(state.modelNames[2], "KVD5130", kModelNameLength);
  std::memset(state.textCells, ' ', sizeof state.textCells);
  state.logEnabled = 0;
  state.strictParameters = 0;
  state.claimed = 0;
  state.deviceEnabled = 0;
  state.zeroBasedCoordinates = 0;
  state.connectionKind = kConnectionSerial;
  state.usbDeviceSelector = 0;
  state.blinkInterval = 0x32;
  state.brightness = 1;
  state.moveRow = 1;
  state.moveColumn = 1;
  state.reverseVideo = 0;
  state.cursorColumn = 0;
  state.cursorRow = 0;
  state.cursorType = kDisplayCursorOff;
  state.cursorUpdate = 1;
  state.marqueeType = opos::kMarqueeNone;
  state.checkHealthText = "Disconneting";
}

bool UpdateCursor(DisplayState& state, int32_t row, int32_t column, int64_t count) {
  // For every position on or after the first cell this is the display's own arithmetic
  // (row from the twenty-cell blocks, column within the block); positions before it wrap
  // backwards so that the fields never leave 1..2 and 0..19.
  const int64_t cell = WrapCell(CellOf(row, column) + count);
  state.cursorRow = static_cast<int8_t>(cell / kDisplayColumns + 1);
  state.cursorColumn = static_cast<int8_t>(cell % kDisplayColumns);
  return true;
}

void WriteMirror(DisplayState& state, int64_t startCell, const uint8_t* bytes, size_t size) {
  int64_t cell = WrapCell(startCell);
  for (size_t i = 0; i < size; ++i) {
    state.textCells[cell] = bytes[i];
    cell = cell + 1 == kDisplayCells ? 0 : cell + 1;
  }
}

}  // namespace orvix
