#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/registry_editor.h"

namespace orvix::registrar {

using ValueData = std::vector<uint8_t>;

// The type letters of a value entry: s text, d number, b bytes (letter case ignored).
// False for anything else.
bool ValueTypeFromLetter(std::string_view letter, platform::RegistryValueType* type);

// `s`: the text with its terminating zero byte.
ValueData StringValueData(std::string_view text);

// `d`: a decimal number from 0 to 4294967295, as four bytes, least significant first.
// Nothing when the text is anything else (empty, signed, other characters, too large).
std::optional<ValueData> DwordValueData(std::string_view text);

// `b`: each pair of hexadecimal digits is one byte, the first digit the high half. A
// character that is no hexadecimal digit counts as 0. Nothing when the number of characters
// is odd.
std::optional<ValueData> BinaryValueData(std::string_view text);

}  // namespace orvix::registrar
