#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace orvix::vpd {

constexpr int kRows = 2;
constexpr int kColumns = 20;
constexpr int kCells = kRows * kColumns;

// Where text goes once the cursor has reached the end of a row.
enum class ScrollMode {
  kOverwrite,   // row 1, row 2, then back to the first cell of row 1
  kVertical,    // row 1, row 2, then both rows move up and text goes on in row 2
  kHorizontal,  // the text stays in its row, which moves left under the new characters
};

// The glass of a 2x20 pole display: forty character cells, the cursor and the display-wide
// settings. Blinking and reverse video are properties of the whole display, not of single
// characters, as on the real device.
class VirtualScreen {
 public:
  VirtualScreen() { Initialise(); }

  // The state after power-on and after ESC @: blank, cursor home and hidden, full
  // brightness, no blinking, no reverse video, overwrite mode.
  void Initialise();

  // Blanks all cells and puts the cursor home; the settings stay.
  void Clear();

  // Writes one character at the cursor and advances the cursor as the scroll mode says.
  void Put(uint8_t character);

  // Moves the cursor to a column (1..20) and row (1..2). A position off the glass changes
  // nothing and gives false.
  bool MoveCursor(int column, int row);

  // Brightness level 1 (dimmest) to 4. Other levels change nothing and give false.
  bool SetBrightness(int level);

  // 0 stops blinking; any other value is the blink interval, in the display's own units.
  void SetBlinkInterval(uint8_t interval) { blinkInterval_ = interval; }

  // 1 on, 0 off; other values change nothing and give false. The same for the cursor.
  bool SetReverse(int on);
  bool SetCursorShown(int shown);

  void SetScrollMode(ScrollMode mode) { mode_ = mode; }

  // Cell 0 is the first cell of row 1, cell 20 the first of row 2.
  uint8_t Cell(int index) const { return cells_[static_cast<size_t>(index)]; }
  const std::array<uint8_t, kCells>& Cells() const { return cells_; }

  // The cursor, both counted from 0. After the last cell of a row in a scroll mode the
  // column is 20: the row moves only when the next character arrives, so a full row stays
  // fully visible.
  int CursorRow() const { return cursorRow_; }
  int CursorColumn() const { return cursorColumn_; }

  int Brightness() const { return brightness_; }
  uint8_t BlinkInterval() const { return blinkInterval_; }
  bool Reverse() const { return reverse_; }
  bool CursorShown() const { return cursorShown_; }
  ScrollMode Mode() const { return mode_; }

 private:
  // Makes room for the next character when the cursor stands past the end of a row.
  void ResolvePastEnd();
  void ScrollRowsUp();
  void ShiftRowLeft(int row);

  std::array<uint8_t, kCells> cells_{};
  int cursorRow_ = 0;
  int cursorColumn_ = 0;
  int brightness_ = 4;
  uint8_t blinkInterval_ = 0;
  bool reverse_ = false;
  bool cursorShown_ = false;
  ScrollMode mode_ = ScrollMode::kOverwrite;
};

const char* ScrollModeName(ScrollMode mode);

}  // namespace orvix::vpd
