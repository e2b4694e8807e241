#include "transcript.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace orvix::transcript {

const char kMethods[] =
    " COFreezeEvents:n GetPropertyNumber:n SetPropertyNumber:nn GetPropertyString:n SetPropertyString:nt"
    " OpenService:tt CheckHealth:n ClaimDevice:n CloseService: DirectIO:nnt ReleaseDevice: ClearDescriptors:"
    " ClearText: CreateWindow:nnnnnn DestroyWindow: DisplayText:tn DisplayTextAt:nntn RefreshWindow:n ScrollText:nn"
    " SetDescriptor:nn DefineGlyph:nt ReadCharacterAtCursor:n DisplayBitmap:tnnn SetBitmap:ntnnn ResetStatistics:t"
    " RetrieveStatistics:t UpdateStatistics:t CompareFirmwareVersion:tn UpdateFirmware:t ";

namespace {

struct Token {
  bool quoted = false, isNumber = false;
  std::string raw;  // unquoted tokens
  Value value;      // a number when the token reads as one, else its text
};

// The value of the `count` hex digits at `at`, or -1.
long HexValue(const std::string& text, size_t at, size_t count) {
  const std::string digits = text.substr(std::min(at, text.size()), count);
  const bool valid = digits.size() == count && digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
  return valid ? std::strtol(digits.c_str(), nullptr, 16) : -1;
}

// Decimal or 0x-hex, with an optional minus sign, at most 32 bits of magnitude.
bool ParseNumber(const std::string& raw, int64_t* number) {
  const bool negative = raw[0] == '-';
  const char* digits = raw.c_str() + (negative ? 1 : 0);
  if (*digits < '0' || *digits > '9') return false;
  char* end = nullptr;
  const unsigned long long magnitude = std::strtoull(digits, &end, digits[1] == 'x' ? 16 : 10);
  *number = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return *end == '\0' && magnitude <= 0xFFFFFFFFull;
}

// Splits a line into tokens; "" or what is wrong with it.
std::string Tokenize(const std::string& line, std::vector<Token>* tokens) {
  for (size_t at = 0; (at = line.find_first_not_of(" \t", at)) != std::string::npos;) {
    Token token;
    if (line[at] != '"') {
      token.raw = line.substr(at, std::min(line.find_first_of(" \t", at), line.size()) - at);
      at += token.raw.size();
      token.isNumber = ParseNumber(token.raw, &token.value.number);
      if (!token.isNumber) token.value = Value{true, 0, std::u16string(token.raw.begin(), token.raw.end())};
      tokens->push_back(token);
      continue;
    }
    token.quoted = token.value.isText = true;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      const unsigned char c = static_cast<unsigned char>(line[at]);
      if (c >= 0x80) return "write characters beyond ASCII as \\xHH or \\uHHHH";
      if (c != '\\') {
        token.value.text.push_back(c);
        continue;
      }
      const char kind = ++at < line.size() ? line[at] : '\0';
      const size_t digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 0;
      const long unit = digits > 0 ? HexValue(line, at + 1, digits) : kind == '"' || kind == '\\' ? kind : -1;
      if (unit < 0) return "escapes are \\\" \\\\ \\xHH \\uHHHH";
      token.value.text.push_back(static_cast<char16_t>(unit));
      at += digits;
    }
    if (at >= line.size()) return "a text is not closed";
    if (++at < line.size() && line[at] != ' ' && line[at] != '\t') return "a space must follow a text";
    tokens->push_back(token);
  }
  return "";
}

bool HexBytes(const std::vector<Token>& tokens, size_t from, std::vector<uint8_t>* bytes) {
  for (size_t i = from; i < tokens.size(); ++i) {
    const std::string& hex = tokens[i].raw;
    if (hex.empty() || hex.size() % 2 != 0) return false;
    for (size_t d = 0; d < hex.size(); d += 2) {
      const long byte = HexValue(hex, d, 2);
      if (byte < 0) return false;
      bytes->push_back(static_cast<uint8_t>(byte));
    }
  }
  return true;
}

// Fills `step` from the tokens of its line; "" or how the directive is written.
std::string ParseStep(const std::vector<Token>& t, Step* step) {
  const std::string& keyword = t[0].raw;
  const size_t n = t.size();
  for (size_t i = 1; i < n; ++i) step->operands.push_back(t[i].value);
  auto check = [&](Step::Kind kind, bool ok, const char* usage) { return step->kind = kind, ok ? std::string() : usage; };
  const std::string type = n > 2 ? t[2].raw : "";
  if (keyword == "profile") {
    return check(Step::Kind::kProfile,
                 ((type == "sz" || type == "multi_sz") && n == 4 && t[3].quoted) || (type == "dword" && n == 4 && t[3].isNumber) ||
                     (type == "binary" && HexBytes(t, 3, &step->bytes)) || (type == "delete" && n == 3),
                 "profile NAME sz|multi_sz \"TEXT\" | dword N | binary HEX.. | delete");
  }
  if (keyword == "alias") return check(Step::Kind::kAlias, n == 3 && t[2].quoted, "alias NAME \"TARGET\"");
  if (keyword == "display") return check(Step::Kind::kDisplay, n > 1, "display PLAN");
  if (keyword == "usb") return check(Step::Kind::kUsb, n == 2, "usb PATH");
  if (keyword == "logfile") return check(Step::Kind::kLogFile, n == 2 && t[1].raw == "blocked", "logfile blocked");
  if (keyword == "elapsed") return check(Step::Kind::kElapsed, n == 2 && t[1].isNumber, "elapsed MS");
  if (keyword == "bytes") return check(Step::Kind::kBytes, HexBytes(t, 1, &step->bytes), "bytes HEX..");
  if (keyword == "line") return check(Step::Kind::kLine, n == 3 && t[1].isNumber && t[2].isNumber, "line BAUD STOP-BITS");
  if (keyword == "log") {  // log none: no operand, no line
    const std::u16string& text = t.back().value.text;
    const bool none = n == 2 && t[1].raw == "none", eightBit = std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit <= 0xFF; });
    if (none) step->operands.clear();
    return check(Step::Kind::kLog, none || (n == 2 && t[1].quoted && eightBit), "log \"8-bit LINE\", or log none");
  }
  if (keyword == "rows") return check(Step::Kind::kRows, n == 3 && t[1].quoted && t[2].quoted, "rows \"ROW1\" \"ROW2\"");
  if (keyword != "call" || n < 2) return "unknown directive " + keyword;

  step->kind = Step::Kind::kCall;
  step->method = t[1].raw;
  const std::string methods = kMethods;
  const size_t at = methods.find(" " + step->method + ":");
  if (step->method.empty() || at == std::string::npos) return "no method named " + step->method;
  const std::string arguments = methods.substr(at + step->method.size() + 2, methods.find(' ', at + 1) - at - step->method.size() - 2);
  std::string kinds;  // n a number, t a text, > the arrow before the result
  for (size_t i = 2; i < n; ++i) kinds += t[i].raw == "->" ? '>' : t[i].quoted ? 't' : t[i].isNumber ? 'n' : '?';
  step->hasResult = kinds == arguments + ">n" || kinds == arguments + ">t";
  if (kinds != arguments && !step->hasResult) return "call " + step->method + " (" + arguments + ") [-> RESULT], n a number and t a \"text\"";
  step->operands.clear();
  for (size_t i = 2; i < 2 + arguments.size(); ++i) step->operands.push_back(t[i].value);
  if (step->hasResult) step->result = t.back().value;
  return "";
}

}  // namespace

bool Parse(const std::string& text, const std::string& fileName, std::vector<Case>* cases, std::string* error) {
  const size_t before = cases->size();
  int lineNumber = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    line.erase(0, first);

    std::vector<Token> tokens;
    std::string why = Tokenize(line, &tokens);
    const std::string keyword = tokens.empty() ? "" : tokens[0].raw;
    const std::string rest = line.substr(std::min(line.find_first_not_of(" \t", keyword.size()), line.size()));
    Case* c = cases->size() > before ? &cases->back() : nullptr;
    if (!why.empty()) {
    } else if (keyword == "case") {
      cases->emplace_back();
      cases->back().name = rest, cases->back().file = fileName, cases->back().lineNumber = lineNumber;
      if (rest.empty()) why = "case NAME";
    } else if (c == nullptr) {
      why = "a case begins with case NAME";
    } else if (keyword == "host-only") {
      c->hostOnly = true;
    } else if (keyword == "args") {
      c->byrefArguments = true;
      if (rest != "byref") why = "args byref";
    } else {
      Step step;
      step.lineNumber = lineNumber, step.line = line;
      why = ParseStep(tokens, &step);
      c->steps.push_back(std::move(step));
    }
    if (!why.empty()) return *error = fileName + ":" + std::to_string(lineNumber) + ": " + why, false;
  }
  return true;
}

Value Text8(const std::string& bytes) {
  Value text{true, 0, {}};
  for (char byte : bytes) text.text.push_back(static_cast<unsigned char>(byte));
  return text;
}

std::string Bytes8(const std::u16string& text) { return std::string(text.begin(), text.end()); }

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string hex;
  char pair[4];
  for (uint8_t byte : bytes) hex += (hex.empty() ? "" : " ") + std::string(pair, std::snprintf(pair, sizeof pair, "%02X", byte));
  return hex;
}

std::string Describe(const Value& value) {
  if (!value.isText) return std::to_string(value.number);
  std::string quoted = "\"";
  char escape[8];
  for (char16_t unit : value.text) {
    quoted += std::string(escape, std::snprintf(escape, sizeof escape, unit == '"' || unit == '\\' ? "\\%c" : unit >= 0x20 && unit < 0x7F ? "%c" : unit < 0x100 ? "\\x%02X" : "\\u%04X", unit));
  }
  return quoted + "\"";
}

std::string Play(const Case& c, Stage& stage) {
  std::string failure = stage.Begin(c);
  int lineNumber = c.lineNumber;
  double elapsedMs = 0;
  for (size_t i = 0; i < c.steps.size() && failure.empty(); ++i) {
    const Step& step = c.steps[i];
    lineNumber = step.lineNumber;
    const double expected = step.operands.empty() ? 0 : static_cast<double>(step.operands[0].number);
    Value result;
    if (step.kind == Step::Kind::kCall) {
      failure = stage.Invoke(step, &result, &elapsedMs);
      if (failure.empty() && step.hasResult && Describe(result) != Describe(step.result)) failure = step.method + " gave " + Describe(result);
    } else if (step.kind == Step::Kind::kElapsed) {
      const bool fits = stage.ExactClock() ? elapsedMs == expected : elapsedMs >= 0.9 * expected && elapsedMs <= expected + 3000;
      if (!fits) failure = "the call took " + std::to_string(static_cast<int64_t>(elapsedMs)) + " ms";
    } else if (step.kind == Step::Kind::kBytes || step.kind == Step::Kind::kRows || step.kind == Step::Kind::kLine) {
      failure = stage.Inspect(step);
    } else if (step.kind != Step::Kind::kLog) {
      failure = stage.Arrange(step);
    }
  }
  // With any log step the log file holds exactly the quoted lines, each ended by CR LF; a
  // missing file reads as empty, so `log none` alone says that nothing was logged.
  const bool logChecked = std::any_of(c.steps.begin(), c.steps.end(), [](const Step& s) { return s.kind == Step::Kind::kLog; });
  const std::string log = failure.empty() && logChecked ? stage.LogFileBytes() : "";
  size_t at = 0;
  for (const Step& s : c.steps) {
    if (!failure.empty() || s.kind != Step::Kind::kLog) continue;
    lineNumber = s.lineNumber;
    const size_t end = log.find("\r\n", at);
    const std::string found = end == std::string::npos ? "missing" : Describe(Text8(log.substr(at, end - at)));
    if (!s.operands.empty() && found != Describe(s.operands[0])) failure = "the log line is " + found;
    if (!s.operands.empty()) at = end + 2;
  }
  if (failure.empty() && at < log.size()) failure = "the log goes on with " + Describe(Text8(log.substr(at, log.find("\r\n", at) - at)));
  stage.End();
  return failure.empty() ? "" : c.file + ":" + std::to_string(lineNumber) + ": " + failure;
}

}  // namespace orvix::transcript
