#include "model/hex_text.h"

namespace orvix::vpd {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string FormatHex(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    if (i != 0) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

bool ParseHex(std::string_view text, std::vector<uint8_t>* bytes) {
  std::vector<uint8_t> parsed;
  int high = -1;
  for (char c : text) {
    if (IsSpace(c)) continue;
    int value = DigitValue(c);
    if (value < 0) return false;
    if (high < 0) {
      high = value;
    } else {
      parsed.push_back(static_cast<uint8_t>(high << 4 | value));
      high = -1;
    }
  }
  if (high >= 0) return false;
  *bytes = std::move(parsed);
  return true;
}

}  // namespace orvix::vpd
