#include "model/virtual_screen.h"

#include <algorithm>

namespace orvix::vpd {

void VirtualScreen::Initialise() {
  Clear();
  brightness_ = 4;
  blinkInterval_ = 0;
  reverse_ = false;
  cursorShown_ = false;
  mode_ = ScrollMode::kOverwrite;
}

void VirtualScreen::Clear() {
  cells_.fill(' ');
  cursorRow_ = 0;
  cursorColumn_ = 0;
}

void VirtualScreen::Put(uint8_t character) {
  ResolvePastEnd();
  cells_[static_cast<size_t>(cursorRow_ * kColumns + cursorColumn_)] = character;
  if (++cursorColumn_ < kColumns) return;
  // The service object's mirror counts on the overwrite wrap: after cell 39 comes cell 0.
  if (mode_ == ScrollMode::kOverwrite || (mode_ == ScrollMode::kVertical && cursorRow_ == 0)) {
    cursorRow_ = (cursorRow_ + 1) % kRows;
    cursorColumn_ = 0;
  }
}

void VirtualScreen::ResolvePastEnd() {
  if (cursorColumn_ < kColumns) return;
  switch (mode_) {
    case ScrollMode::kOverwrite:
      cursorRow_ = (cursorRow_ + 1) % kRows;
      cursorColumn_ = 0;
      break;
    case ScrollMode::kVertical:
      if (cursorRow_ == kRows - 1) ScrollRowsUp();
      cursorRow_ = kRows - 1;
      cursorColumn_ = 0;
      break;
    case ScrollMode::kHorizontal:
      ShiftRowLeft(cursorRow_);
      cursorColumn_ = kColumns - 1;
      break;
  }
}

void VirtualScreen::ScrollRowsUp() {
  std::copy(cells_.begin() + kColumns, cells_.end(), cells_.begin());
  std::fill(cells_.begin() + kColumns, cells_.end(), ' ');
}

void VirtualScreen::ShiftRowLeft(int row) {
  auto first = cells_.begin() + row * kColumns;
  std::copy(first + 1, first + kColumns, first);
  *(first + kColumns - 1) = ' ';
}

bool VirtualScreen::MoveCursor(int column, int row) {
  if (column < 1 || column > kColumns || row < 1 || row > kRows) return false;
  cursorColumn_ = column - 1;
  cursorRow_ = row - 1;
  return true;
}

bool VirtualScreen::SetBrightness(int level) {
  if (level < 1 || level > 4) return false;
  brightness_ = level;
  return true;
}

bool VirtualScreen::SetReverse(int on) {
  if (on != 0 && on != 1) return false;
  reverse_ = on == 1;
  return true;
}

bool VirtualScreen::SetCursorShown(int shown) {
  if (shown != 0 && shown != 1) return false;
  cursorShown_ = shown == 1;
  return true;
}

const char* ScrollModeName(ScrollMode mode) {
  switch (mode) {
    case ScrollMode::kOverwrite: return "overwrite";
    case ScrollMode::kVertical: return "vertical";
    case ScrollMode::kHorizontal: return "horizontal";
  }
  return "?";
}

}  // namespace orvix::vpd
