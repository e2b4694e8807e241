#include "model/glyphs.h"

namespace orvix::vpd {
namespace {

// Code page 1252 from 0x80 to 0x9F; 0 where the code page defines no character.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(uint32_t code, std::string& text) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | code >> 6);
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | code >> 12);
    text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string GlyphOf(uint8_t cell) {
  uint32_t code = cell;
  if (cell < 0x20 || cell == 0x7F) {
    code = '?';
  } else if (cell >= 0x80 && cell < 0xA0) {
    code = kHighControls[cell - 0x80];
    if (code == 0) code = '?';
  }
  std::string text;
  AppendUtf8(code, text);
  return text;
}

std::string RowText(const VirtualScreen& screen, int row) {
  std::string text;
  for (int column = 0; column < kColumns; ++column) text += GlyphOf(screen.Cell(row * kColumns + column));
  return text;
}

}  // namespace orvix::vpd
