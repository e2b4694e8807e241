#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvix::registrar {

// Keywords, type letters, root names and replacement names of registration scripts match
// without regard to case, for ASCII letters only: scripts spell them as they please (HKCR,
// ForceRemove, noremove), and the locale's own case rules would make a script register
// differently from one till to the next (under a Turkish locale "I" lowers to a dotless i,
// and FORCEREMOVE would no longer be a keyword).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

struct ScriptToken {
  std::string text;     // without the quotes; a doubled quote inside them is one quote
  bool quoted = false;  // a quoted token is a name or value, never a keyword, brace or `=`

  // True for the unquoted token that is exactly `c` (`{`, `}` or `=`).
  bool Is(char c) const { return !quoted && text.size() == 1 && text[0] == c; }
  // True for the unquoted keyword `keyword`, in any letter case.
  bool IsKeyword(std::string_view keyword) const { return !quoted && EqualsIgnoringCase(text, keyword); }
};

// Splits a script (after the replacement of %NAME%s) into tokens. Separators are space, tab,
// CR and LF. An unquoted token runs up to the next separator; a quoted one up to the quote
// that is not doubled, and whatever follows that quote starts the next token. The script
// ends at its end or at its first zero byte.
class ScriptTokenizer {
 public:
  explicit ScriptTokenizer(std::string_view script);

  // Skips separators; true when nothing else is left.
  bool AtEnd();

  // The next token into `*token`. kOk; kDispatchException when the script ends before a
  // token or inside a quote.
  int32_t Next(ScriptToken* token);

  // True when the next token is the unquoted `c`, which is then consumed.
  bool Accept(char c);

  size_t Position() const { return position_; }
  void Seek(size_t position) { position_ = position; }

 private:
  std::string_view script_;
  size_t position_ = 0;
};

}  // namespace orvix::registrar
