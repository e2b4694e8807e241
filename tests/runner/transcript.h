// Transcripts: the behaviour cases in tests/cases/*.txt, parsed and played against a Stage.
// The same code runs on the host (against the core over fakes) and in the Wine client
// (against the real DLL), so both runners read every case the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvix::transcript {

// A call argument or result: a number, or a text as UTF-16. In a case, \xHH gives the unit
// 00HH: the byte HH where 8-bit text is meant (log, rows).
struct Value {
  bool isText = false;
  int64_t number = 0;
  std::u16string text;
};

// One directive of a case (CONTRIBUTING.md lists them), as written.
struct Step {
  enum class Kind { kProfile, kAlias, kDisplay, kUsb, kLogFile, kCall, kElapsed, kBytes, kRows, kLog, kLine };
  Kind kind = Kind::kCall;
  int lineNumber = 0;
  std::string line;              // the whole line, as written (for messages and the harness)
  std::string method;            // kCall: the method's published name
  std::vector<Value> operands;   // kCall: the arguments; others: the operands in order
  bool hasResult = false;        // kCall: a result follows `->`
  Value result;
  std::vector<uint8_t> bytes;    // kBytes, kProfile binary
};

struct Case {
  std::string name, file;
  int lineNumber = 0;
  bool hostOnly = false;
  bool byrefArguments = false;
  std::vector<Step> steps;  // without a log step the log is not checked
};

// Appends the file's cases to `cases`; on a syntax error false, with `error` naming the file
// and line. (The host runner refuses two cases of one name.)
bool Parse(const std::string& text, const std::string& fileName, std::vector<Case>* cases, std::string* error);

// Everything a runner must do for the player; each operation returns "" when it went as the
// case says, otherwise what went wrong (the player stops the case at the first failure).
class Stage {
 public:
  virtual ~Stage() = default;
  // Fresh service, default profile, display at power-on answering KVD5100, no log file.
  virtual std::string Begin(const Case& c) = 0;
  // profile, alias, display, usb, logfile: changes the world as the step says.
  virtual std::string Arrange(const Step& step) = 0;
  // Makes the call; `result` holds what it gave (setters: untouched).
  virtual std::string Invoke(const Step& call, Value* result, double* elapsedMs) = 0;
  // bytes, rows, line
  virtual std::string Inspect(const Step& step) = 0;
  // "" when the log file does not exist.
  virtual std::string LogFileBytes() = 0;
  virtual void End() = 0;
  // `elapsed` is judged exactly against a fake clock, loosely against a real one.
  virtual bool ExactClock() const = 0;
};

// "" when every step went as written, otherwise the first failure with its file and line.
std::string Play(const Case& c, Stage& stage);

// The 29 methods (" Name:kinds"), n a number and t a text, in the order the Control Object
// binds them, stopping at the first name that does not resolve. OpenService leaves out its
// dispatch pointer, which the runner supplies.
extern const char kMethods[];

std::string Describe(const Value& value);
Value Text8(const std::string& bytes);  // one unit a byte
std::string Bytes8(const std::u16string& text);  // one byte a unit: the low byte
std::string Hex(const std::vector<uint8_t>& bytes);

}  // namespace orvix::transcript
