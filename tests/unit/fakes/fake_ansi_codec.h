#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ansi_codec.h"

namespace orvix::testing {

// The ANSI conversion of a Windows system whose code page is 1252: ASCII and Latin-1 map
// through, the typographic characters of 0x80..0x9F (the euro sign, curly quotes, dashes...)
// map to their bytes, and everything else becomes '?'. The conversion goes by UTF-16 unit:
// a character outside the Basic Multilingual Plane (a surrogate pair) becomes "??", as it
// does under Wine. Windows' best-fit mappings (U+0100 to 'A' and the like) are not modelled.
// A destination too small for the whole result fails with 0 after writing what fits, as
// WideCharToMultiByte does.
class FakeAnsiCodec : public platform::AnsiCodec {
 public:
  int WideToAnsi(const char16_t* source, char* destination, int destinationSize) override {
    destinationSizes.push_back(destinationSize);
    if (fails || destinationSize < 0) return 0;
    const std::string converted = Convert(source);
    const int size = static_cast<int>(converted.size());
    if (destination == nullptr || destinationSize == 0) return size;
    const int written = size < destinationSize ? size : destinationSize;
    converted.copy(destination, static_cast<size_t>(written));
    return size <= destinationSize ? size : 0;
  }

  // The bytes, terminator included.
  static std::string Convert(const char16_t* source) {
    std::string bytes;
    for (const char16_t* c = source; *c != 0; ++c) bytes.push_back(ByteOf(*c));
    bytes.push_back('\0');
    return bytes;
  }

  static char ByteOf(char16_t c) {
    static const char16_t kHighHalf[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
    };
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
      if (kHighHalf[i] == c) return static_cast<char>(0x80 + i);
    }
    return '?';
  }

  bool fails = false;                // every call returns 0
  std::vector<int> destinationSizes;  // the size argument of every call
};

}  // namespace orvix::testing
