#include "test_text.h"

namespace orvix::wine_client {
namespace {

struct Character {
  wchar_t wide;
  char ansi;
};

constexpr Character kUnusual[] = {
    {0x00E9, '\xE9'}, {0x20AC, '\x80'}, {0x00C4, '\xC4'}, {0x00DF, '\xDF'}, {0x00A3, '\xA3'}, {0x00F1, '\xF1'},
    // Cyrillic Zhe: not in code page 1252, so the display gets the default character.
    {0x0416, '?'},
};

const char kPlain[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,:-+*/$%";

}  // namespace

void TestText::Set(const char* ascii) {
  ansi_ = ascii;
  const std::wstring wide(ansi_.begin(), ansi_.end());
  wide_.reset(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

void TestText::Random(std::mt19937& random, int length, TestText* text) {
  wchar_t wide[64];
  text->ansi_.clear();
  for (int i = 0; i < length && i < 64; ++i) {
    Character character;
    if (random() % 10 == 0) {
      character = kUnusual[random() % (sizeof kUnusual / sizeof kUnusual[0])];
    } else {
      const char plain = kPlain[random() % (sizeof kPlain - 1)];
      character = {static_cast<wchar_t>(plain), plain};
    }
    wide[i] = character.wide;
    text->ansi_ += character.ansi;
  }
  text->wide_.reset(SysAllocStringLen(wide, static_cast<UINT>(text->ansi_.size())));
}

}  // namespace orvix::wine_client
