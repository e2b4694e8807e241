#include "diag/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace orvix {

void DebugLog::Write(const char* format, ...) {
  if (logEnabled_ == 0) return;

  va_list args;
  va_start(args, format);
  va_list sizing;
  va_copy(sizing, args);
  const int length = std::vsnprintf(nullptr, 0, format, sizing);
  va_end(sizing);
  if (length < 0) {
    va_end(args);
    return;
  }
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, args);
  va_end(args);

  // Every line feed, also one inside a text argument, is stored as CR LF, the line end the
  // log's readers on Windows expect: with bare line feeds, Notepad before Windows 10 1809
  // shows the whole log as one line, and a comparison with the log of an earlier run differs
  // on every line. The file is written in binary mode and the CR added here, so the bytes are
  // the same whichever C runtime writes them (a text-mode file gets no CR on the host).
  std::string piece;
  piece.reserve(static_cast<size_t>(length) + 8);
  for (int i = 0; i < length; ++i) {
    if (text[i] == '\n') piece.push_back('\r');
    piece.push_back(text[i]);
  }
  file_.Append(piece.data(), piece.size());
}

}  // namespace orvix
