#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvix::vpd {

// Bytes as upper-case hex pairs separated by single spaces ("1B 40 0C"); empty for none.
std::string FormatHex(const uint8_t* bytes, size_t size);

// Reads hex pairs, with or without white space between them ("1b400c", "1B 40 0C").
// False, with `bytes` untouched, for any other character or an odd number of digits.
bool ParseHex(std::string_view text, std::vector<uint8_t>* bytes);

}  // namespace orvix::vpd
