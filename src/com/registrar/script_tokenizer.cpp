#include "com/registrar/script_tokenizer.h"

#include "com/registrar/registrar_result.h"

namespace orvix::registrar {
namespace {

constexpr char kQuote = '\'';

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

ScriptTokenizer::ScriptTokenizer(std::string_view script) : script_(script.substr(0, script.find('\0'))) {}

bool ScriptTokenizer::AtEnd() {
  while (position_ < script_.size() && IsSeparator(script_[position_])) ++position_;
  return position_ >= script_.size();
}

int32_t ScriptTokenizer::Next(ScriptToken* token) {
  token->text.clear();
  token->quoted = false;
  if (AtEnd()) return kDispatchException;

  if (script_[position_] != kQuote) {
    const size_t start = position_;
    while (position_ < script_.size() && !IsSeparator(script_[position_])) ++position_;
    token->text.assign(script_.substr(start, position_ - start));
    return kOk;
  }

  token->quoted = true;
  ++position_;
  for (;;) {
    if (position_ >= script_.size()) return kDispatchException;
    const char c = script_[position_++];
    if (c != kQuote) {
      token->text.push_back(c);
      continue;
    }
    if (position_ < script_.size() && script_[position_] == kQuote) {
      token->text.push_back(kQuote);
      ++position_;
      continue;
    }
    return kOk;
  }
}

bool ScriptTokenizer::Accept(char c) {
  const size_t saved = position_;
  ScriptToken token;
  if (Next(&token) == kOk && token.Is(c)) return true;
  position_ = saved;
  return false;
}

}  // namespace orvix::registrar
