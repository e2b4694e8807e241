#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/registry_reader.h"

namespace orvix {

// Every value of the device profile is read into a buffer of this size.
constexpr uint32_t kProfileValueBytes = 256;
// Value names longer than this (terminator included) are passed over.
constexpr uint32_t kProfileNameChars = 254;

// The 256-byte buffer one profile value is read into.
struct ProfileValue {
  uint8_t bytes[kProfileValueBytes] = {};

  // The text up to the first NUL; the last byte is always a NUL, so at most 255 characters.
  const char* text() const { return reinterpret_cast<const char*>(bytes); }
};

// Reads the bytes of the value `name` of `key` (from `registry`) into a fresh buffer, as
// stored, whatever the value's type: installers write the same setting as a text, a list of
// texts or raw bytes, and each reader takes what it needs of the bytes. A value that is
// missing or does not fit into 256 bytes reads as all zeros, that is the empty text and the
// number 0: the buffer never keeps bytes of an earlier value, and a text always ends inside
// it. A null `key` (one that did not open) has no values.
ProfileValue ReadProfileValue(platform::RegistryReader& registry, platform::RegistryKey* key, const char* name);

// The values of `key` as logical device names, each with its data as text. Names that do
// not fit into kProfileNameChars are passed over; a key that cannot be opened or whose
// number of values cannot be read gives no alias at all.
std::map<std::string, std::string> ReadAliases(platform::RegistryReader& registry, const char* path);

// The number at the start of `text`: leading white space, an optional sign, then the
// decimal digits up to the first other character; 0 without digits. A number beyond the
// 32-bit range gives the nearest end of it, as the C runtime's atoi does on Windows.
int32_t DecimalValue(const char* text);

}  // namespace orvix
