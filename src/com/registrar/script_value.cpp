#include "com/registrar/script_value.h"

#include "com/registrar/script_tokenizer.h"

namespace orvix::registrar {
namespace {

uint8_t HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return 0;
}

}  // namespace

bool ValueTypeFromLetter(std::string_view letter, platform::RegistryValueType* type) {
  if (EqualsIgnoringCase(letter, "s")) {
    *type = platform::RegistryValueType::kString;
  } else if (EqualsIgnoringCase(letter, "d")) {
    *type = platform::RegistryValueType::kDword;
  } else if (EqualsIgnoringCase(letter, "b")) {
    *type = platform::RegistryValueType::kBinary;
  } else {
    return false;
  }
  return true;
}

ValueData StringValueData(std::string_view text) {
  ValueData data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

std::optional<ValueData> DwordValueData(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > 0xFFFFFFFFu) return std::nullopt;
  }
  ValueData data(4);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(number >> (8 * i));
  return data;
}

std::optional<ValueData> BinaryValueData(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  ValueData data(text.size() / 2);
  for (size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<uint8_t>((HexDigitValue(text[2 * i]) << 4) | HexDigitValue(text[2 * i + 1]));
  }
  return data;
}

}  // namespace orvix::registrar
