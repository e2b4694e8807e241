#pragma once
#include <cstdint>
#include <string>

namespace orvix {

constexpr int kDisplayRows = 2;
constexpr int kDisplayColumns = 20;
constexpr int kDisplayCells = kDisplayRows * kDisplayColumns;
constexpr int kModelNameLength = 7;

// Ways to reach the display.
enum ConnectionKind : int32_t {
  kConnectionSerial = 10,
  kConnectionUsb = 11,
  kConnectionOther = 12,
};

// The display's own cursor settings, as the cursor command sends them and the cursorType
// field keeps them.
constexpr int8_t kDisplayCursorOff = 0;
constexpr int8_t kDisplayCursorOn = 1;

// Everything the service object knows about the display. One record per process, shared by
// every object of the class. All numbers are zero and the text empty until the first
// OpenService resets it; the 8-bit fields keep only the low byte of what is stored in them.
struct DisplayState {
  std::string checkHealthText;
  uint8_t textCells[kDisplayCells] = {};  // mirror of the display's cells, row 1 first
  uint8_t blinkInterval = 0;
  uint8_t brightness = 0;
  uint8_t moveColumn = 0;  // cursor-move parameters, counted from 1
  uint8_t moveRow = 0;
  uint8_t reverseVideo = 0;
  int8_t cursorColumn = 0;  // 0..19, the cell column where the display's cursor stands
  int8_t cursorRow = 0;     // 1 or 2; 0 is home (not moved since the last reset, clear or scroll)
  int8_t cursorUpdate = 0;
  int8_t cursorType = 0;   // kDisplayCursorOff or kDisplayCursorOn
  int8_t marqueeType = 0;  // the OPOS marquee type as last set, any number
  int32_t usbDeviceSelector = 0;
  int32_t connectionKind = 0;
  uint8_t zeroBasedCoordinates = 0;
  uint8_t deviceEnabled = 0;
  uint8_t claimed = 0;
  uint8_t strictParameters = 0;
  uint8_t logEnabled = 0;
  char modelNames[3][kModelNameLength] = {};  // seven characters each, no terminator
};

// Brings every field to the value it has right after an OpenService, before the device
// profile is applied. Touches neither the display nor the device link.
void ResetDisplayState(DisplayState& state);

// Moves the cursor fields to where `count` characters written from (row, column) leave it:
// along row 1, on to row 2, and from the last cell of row 2 back to the first of row 1.
// A position left of the first cell (reachable only through the cursor properties) wraps
// backwards the same way. Always true.
bool UpdateCursor(DisplayState& state, int32_t row, int32_t column, int64_t count);

// Writes `size` bytes into the mirror from `startCell` on, wrapping from cell 39 to cell 0,
// so a long text overwrites its own beginning. Any start cell, negative ones included, is
// brought into 0..39 first: nothing outside the forty cells is ever touched.
void WriteMirror(DisplayState& state, int64_t startCell, const uint8_t* bytes, size_t size);

// The cell of (row, column) for the given row (1 or 2) and column (counted from 0).
inline int64_t CellOf(int64_t row, int64_t column) { return kDisplayColumns * (row - 1) + column; }

}  // namespace orvix
