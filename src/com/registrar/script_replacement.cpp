#include "com/registrar/script_replacement.h"

#include <algorithm>

#include "com/registrar/registrar_result.h"
#include "com/registrar/script_tokenizer.h"

namespace orvix::registrar {
namespace {

constexpr char kPercent = '%';

std::string_view UpToZeroByte(std::string_view text) { return text.substr(0, text.find('\0')); }

const ReplacementEntry* FindReplacement(const ReplacementMap& replacements, std::string_view name) {
  for (const ReplacementEntry& entry : replacements) {
    if (EqualsIgnoringCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string ModuleReplacementValue(std::string_view modulePath) {
  std::string value;
  value.reserve(modulePath.size());
  for (char c : modulePath) {
    value.push_back(c);
    if (c == '\'') value.push_back(c);
  }
  return value;
}

int32_t ReplaceScriptNames(std::string_view script, const ReplacementMap& replacements, std::string* result) {
  script = UpToZeroByte(script);
  result->clear();
  result->reserve(script.size());
  int32_t status = kOk;
  size_t position = 0;
  while (!Failed(status) && position < script.size()) {
    const size_t sign = std::min(script.find(kPercent, position), script.size());
    result->append(script.substr(position, sign - position));
    position = sign;
    if (position == script.size()) break;

    const size_t nameStart = position + 1;
    if (nameStart < script.size() && script[nameStart] == kPercent) {
      result->push_back(kPercent);
      position = nameStart + 1;
      continue;
    }
    const size_t closing = script.find(kPercent, nameStart);
    if (closing == std::string_view::npos) {
      status = kDispatchException;
      break;
    }
    const std::string_view name = script.substr(nameStart, closing - nameStart);
    if (name.size() > kMaxReplacementNameLength) {
      status = kFail;
    } else if (const ReplacementEntry* entry = FindReplacement(replacements, name)) {
      result->append(UpToZeroByte(entry->value));
      position = closing + 1;
    } else {
      status = kDispatchException;
    }
  }
  return status;
}

}  // namespace orvix::registrar
