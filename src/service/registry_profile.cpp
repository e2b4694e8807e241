#include "service/registry_profile.h"

#include <cstring>
#include <limits>

namespace orvix {
namespace {

using Registry = platform::RegistryReader;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

ProfileValue ReadProfileValue(Registry& registry, platform::RegistryKey* key, const char* name) {
  ProfileValue value;
  if (key == nullptr) return value;
  uint32_t type = 0;
  uint32_t size = sizeof value.bytes;
  const Registry::Status status = registry.QueryValue(*key, name, &type, value.bytes, &size);
  // After a value that did not fit the buffer holds whatever the registry left in it.
  if (status != Registry::Status::kOk || size > sizeof value.bytes) {
    std::memset(value.bytes, 0, sizeof value.bytes);
    return value;
  }
  // A text of all 256 bytes without a terminator is cut to 255 characters.
  value.bytes[sizeof value.bytes - 1] = 0;
  return value;
}

std::map<std::string, std::string> ReadAliases(platform::RegistryReader& registry, const char* path) {
  std::map<std::string, std::string> aliases;
  const platform::RegistryKeyPtr key = registry.OpenLocalMachineKey(path);
  uint32_t count = 0;
  if (!key || !registry.QueryValueCount(*key, &count)) return aliases;
  for (uint32_t index = 0; index < count; ++index) {
    char name[kProfileNameChars] = {};
    uint32_t nameLength = kProfileNameChars;
    const Registry::Status status = registry.EnumValueName(*key, index, name, &nameLength);
    if (status == Registry::Status::kMoreData) continue;
    // The values ran out early (another program removed some while we counted) or the
    // key went bad: nothing further can be enumerated.
    if (status != Registry::Status::kOk) break;
    name[kProfileNameChars - 1] = '\0';
    aliases[name] = ReadProfileValue(registry, key.get(), name).text();
  }
  return aliases;
}

int32_t DecimalValue(const char* text) {
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  // The magnitude stops just past the 32-bit range, so a long run of digits cannot overflow;
  // one past the highest value is kept because the lowest one is that far from zero.
  constexpr int64_t kLowest = std::numeric_limits<int32_t>::min();
  constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();
  int64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    magnitude = magnitude * 10 + (*text - '0');
    if (magnitude > kHighest + 1) magnitude = kHighest + 1;
  }
  if (negative) return static_cast<int32_t>(-magnitude < kLowest ? kLowest : -magnitude);
  return static_cast<int32_t>(magnitude > kHighest ? kHighest : magnitude);
}

}  // namespace orvix
