#include "expected_display.h"

#include <algorithm>
#include <cstring>

namespace orvix::wine_client {
namespace {

constexpr int32_t kPropertyBrightness = 5007;
constexpr int32_t kPropertyMarqueeType = 5014;
constexpr int32_t kPropertyBlinkRate = 5018;
constexpr int32_t kPropertyCursorType = 5019;

const char* const kHealthTexts[] = {"Test", "External is health", "CheckHealth~AaBbCcDdEeFfGgHhIiJjKkLlMmNn"};

}  // namespace

const std::vector<uint8_t>& ExpectedDisplay::IdentifyRequest() {
  static const std::vector<uint8_t> bytes = {0x02, 0x05, 0x45, 0x4F, 0x03};
  return bytes;
}

const std::vector<uint8_t>& ExpectedDisplay::InitialiseAndClear() {
  static const std::vector<uint8_t> bytes = {0x1B, 0x40, 0x0C};
  return bytes;
}

void ExpectedDisplay::Opened() {
  std::memset(cells_, ' ', sizeof cells_);
  cursorRow_ = 0;
  cursorColumn_ = 0;
  blinkInterval_ = 0x32;
  reverseVideo_ = 0;
  brightness_ = 1;
  cursorType_ = 0;
  marqueeType_ = 0;
}

void ExpectedDisplay::ApplyAttribute(int32_t attribute, uint8_t blinkParameter) {
  // An unknown attribute keeps the previous one.
  if (attribute < 0 || attribute > 3) return;
  blinkInterval_ = (attribute & 1) != 0 ? blinkParameter : 0;
  reverseVideo_ = (attribute & 2) != 0 ? 1 : 0;
}

void ExpectedDisplay::WriteCells(int firstCell, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) cells_[(firstCell + i) % sizeof cells_] = static_cast<uint8_t>(text[i]);
}

void ExpectedDisplay::MoveCursor(int row, int column, int count) {
  const int position = kColumns * (row - 1) + column + count;
  cursorRow_ = (position / kColumns) % kRows + 1;
  cursorColumn_ = position % kColumns;
}

void ExpectedDisplay::DisplayText(const std::string& text, int32_t attribute) {
  if (text.empty()) return;
  ApplyAttribute(attribute, 1);
  Append({0x1F, 0x72, reverseVideo_, 0x1F, 0x45, blinkInterval_});
  AppendText(text);
  if (cursorRow_ == 0) cursorRow_ = 1;
  WriteCells(kColumns * (cursorRow_ - 1) + cursorColumn_, text);
  MoveCursor(cursorRow_, cursorColumn_, static_cast<int>(text.size()));
}

void ExpectedDisplay::DisplayTextAt(int32_t row, int32_t column, const std::string& text, int32_t attribute) {
  if (text.empty()) return;
  row = std::clamp(row, 1, kRows);
  column = std::clamp(column, 1, kColumns);
  ApplyAttribute(attribute, 0x32);
  Append({0x1F, 0x72, reverseVideo_, 0x1F, 0x45, blinkInterval_, 0x1F, 0x24, static_cast<uint8_t>(column),
          static_cast<uint8_t>(row)});
  AppendText(text);
  WriteCells(kColumns * (row - 1) + column - 1, text);
  MoveCursor(row, column - 1, static_cast<int>(text.size()));
}

void ExpectedDisplay::ClearText() {
  Append({0x0C});
  std::memset(cells_, ' ', sizeof cells_);
  cursorRow_ = 0;
  cursorColumn_ = 0;
}

void ExpectedDisplay::ScrollText(int32_t direction, int32_t units) {
  uint8_t* upper = cells_;
  uint8_t* lower = cells_ + kColumns;
  if (direction == 1 || direction == 2) {
    for (int32_t i = 0; i < std::clamp(units, 0, kRows); ++i) {
      std::memcpy(direction == 1 ? upper : lower, direction == 1 ? lower : upper, kColumns);
      std::memset(direction == 1 ? lower : upper, ' ', kColumns);
    }
  } else if (direction == 3 || direction == 4) {
    const int shift = std::clamp(units, 0, kColumns);
    for (uint8_t* row : {upper, lower}) {
      uint8_t moved[kColumns];
      std::memset(moved, ' ', sizeof moved);
      for (int column = 0; column < kColumns; ++column) {
        const int from = direction == 3 ? column + shift : column - shift;
        if (from >= 0 && from < kColumns) moved[column] = row[from];
      }
      std::memcpy(row, moved, sizeof moved);
    }
  }
  // Whatever the arguments, the display is redrawn: overwrite mode, clear, the forty cells.
  Append({0x1F, 0x01, 0x0C});
  bytes_.insert(bytes_.end(), cells_, cells_ + sizeof cells_);
  cursorRow_ = 0;
  cursorColumn_ = 0;
}

void ExpectedDisplay::SetPropertyNumber(int32_t index, int32_t number) {
  switch (index) {
    case kPropertyBrightness:
      brightness_ = static_cast<uint8_t>(std::clamp(number, 1, 4));
      Append({0x1F, 0x58, brightness_});
      break;
    case kPropertyBlinkRate:
      blinkInterval_ = static_cast<uint8_t>(std::clamp(number, 0, 255));
      Append({0x1F, 0x45, blinkInterval_});
      break;
    case kPropertyCursorType:
      if (number == 4) cursorType_ = 1;
      if (number == 0) cursorType_ = 0;
      Append({0x1F, 0x23, static_cast<uint8_t>(cursorType_)});
      break;
    case kPropertyMarqueeType:
      marqueeType_ = static_cast<int8_t>(number & 0xFF);
      if (number == 0) Append({0x1F, 0x01});
      if (number == 1) Append({0x1F, 0x02});
      if (number == 3) Append({0x1F, 0x03});
      break;
    default:
      break;  // DeviceEnabled and indices the display has no command for send nothing
  }
}

void ExpectedDisplay::CheckHealth(int32_t level) {
  if (level < 1 || level > 3) return;
  Append({0x1B, 0x40});
  AppendText(kHealthTexts[level - 1]);
}

}  // namespace orvix::wine_client
