#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "app/pole_display.h"

namespace orvix::vpd {

// The line-based control channel through which a test harness drives the display. Every
// command gets zero or more lines of data and then one closing line, "OK" or "ERR <why>".
// The commands are listed by HelpText().
class ControlSession {
 public:
  enum class Outcome {
    kDone,     // the reply is complete
    kWaiting,  // wait-bytes: the reply comes from ResolveWait; handle no further line before it
    kQuit,     // the reply is complete and the program should end
  };

  explicit ControlSession(PoleDisplay& display) : display_(display) {}

  // Handles one line (without its line feed) and appends the reply to `out`. Blank lines
  // are not commands and get no reply.
  Outcome Handle(std::string_view line, int64_t nowMs, std::string& out);

  bool Waiting() const { return waiting_; }
  // While waiting: appends the closing line and gives true once the bytes have arrived or
  // the time is up.
  bool ResolveWait(int64_t nowMs, std::string& out);
  // Milliseconds until a pending wait gives up; -1 when none is pending.
  int64_t MillisecondsUntilWaitEnds(int64_t nowMs) const;

  static const char* HelpText();

 private:
  void DescribeState(std::string& out) const;
  bool DescribeTermiosOf(std::string& out, std::string* why) const;

  PoleDisplay& display_;
  bool waiting_ = false;
  uint64_t waitTarget_ = 0;
  int64_t waitDeadlineMs_ = 0;
};

}  // namespace orvix::vpd
