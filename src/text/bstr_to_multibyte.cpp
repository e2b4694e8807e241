#include "text/bstr_to_multibyte.h"

#include <vector>

namespace orvix {

std::string BstrToMultibyte(platform::AnsiCodec& ansi, const char16_t* text) {
  if (text == nullptr) return {};

  // The size reported includes the terminator; one byte more is allocated than the
  // conversion may fill, so the result stays terminated even if a code page's conversion
  // were to fill every byte it was given.
  const int size = ansi.WideToAnsi(text, nullptr, 0);
  if (size <= 0) return {};
  std::vector<char> converted(static_cast<size_t>(size) + 1, '\0');
  if (ansi.WideToAnsi(text, converted.data(), size) == 0) return {};
  return std::string(converted.data());
}

}  // namespace orvix
