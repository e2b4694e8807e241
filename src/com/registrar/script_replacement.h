#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvix::registrar {

// A name that a script writes as %NAME%, and the text that stands in its place.
struct ReplacementEntry {
  std::string name;
  std::string value;
};

// Looked up in order, the first entry whose name matches (letter case ignored) wins.
using ReplacementMap = std::vector<ReplacementEntry>;

// Names between the two % signs may have at most this many characters.
constexpr size_t kMaxReplacementNameLength = 31;

// The value for the name "Module": the module's path with every single quote doubled, so
// that `'%MODULE%'` in a script stays one quoted string whatever the path holds.
std::string ModuleReplacementValue(std::string_view modulePath);

// Copies `script` into `*result` with every %NAME% (the signs included) replaced by the
// value of NAME and every %% by one %. Replaced text is not scanned again, and a value
// counts up to its first zero byte, as does the script. Results: kOk; kFail for a name
// longer than kMaxReplacementNameLength; kDispatchException for a name that has no value or
// a % that is never closed. On failure `*result` holds an unspecified part of the text.
int32_t ReplaceScriptNames(std::string_view script, const ReplacementMap& replacements, std::string* result);

}  // namespace orvix::registrar
