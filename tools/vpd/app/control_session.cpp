#include "app/control_session.h"

#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/termios_text.h"
#include "model/glyphs.h"
#include "model/hex_text.h"

namespace orvix::vpd {
namespace {

constexpr uint64_t kMaxWaitMs = 600000;

std::string_view Trim(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return std::string_view();
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Splits the command word off `line`; `line` keeps the argument text, trimmed.
std::string_view TakeCommand(std::string_view& line) {
  size_t end = line.find_first_of(" \t");
  std::string_view word = line.substr(0, end);
  line = end == std::string_view::npos ? std::string_view() : Trim(line.substr(end));
  return word;
}

bool ParseCount(std::string_view text, uint64_t limit, uint64_t* value) {
  if (text.empty() || text.size() > 12) return false;
  uint64_t parsed = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    parsed = parsed * 10 + static_cast<uint64_t>(c - '0');
  }
  if (parsed > limit) return false;
  *value = parsed;
  return true;
}

void Ok(std::string& out) { out += "OK\n"; }
void Err(std::string& out, const std::string& why) { out += "ERR " + why + "\n"; }

void KeyValue(std::string& out, const char* key, const std::string& value) {
  out += key;
  out += '=';
  out += value;
  out += '\n';
}

}  // namespace

const char* ControlSession::HelpText() {
  return "reply <model>|silent|late <ms> <model>|lead <hh> <model>|raw <hex>\n"
         "bytes\n"
         "clear-bytes\n"
         "arrivals\n"
         "rows\n"
         "cells\n"
         "state\n"
         "termios\n"
         "flush\n"
         "drop\n"
         "restore\n"
         "send <hex>\n"
         "wait-bytes <count> <ms>\n"
         "reset\n"
         "help\n"
         "quit\n";
}

ControlSession::Outcome ControlSession::Handle(std::string_view line, int64_t nowMs, std::string& out) {
  std::string_view arguments = Trim(line);
  if (arguments.empty()) return Outcome::kDone;
  std::string_view command = TakeCommand(arguments);

  if (command == "reply") {
    ReplyPlan plan;
    std::string why;
    if (ParseReplyPlan(arguments, &plan, &why)) {
      display_.SetPlan(std::move(plan));
      Ok(out);
    } else {
      Err(out, why);
    }
  } else if (command == "bytes") {
    out += FormatHex(display_.LoggedBytes().data(), display_.LoggedBytes().size());
    out += '\n';
    Ok(out);
  } else if (command == "arrivals") {
    for (const PoleDisplay::Arrival& arrival : display_.Arrivals()) {
      out += std::to_string(arrival.received) + " " + std::to_string(arrival.realtimeNs) + "\n";
    }
    Ok(out);
  } else if (command == "clear-bytes") {
    display_.ClearLog();
    Ok(out);
  } else if (command == "rows") {
    for (int row = 0; row < kRows; ++row) out += "|" + RowText(display_.Screen(), row) + "|\n";
    Ok(out);
  } else if (command == "cells") {
    out += FormatHex(display_.Screen().Cells().data(), kCells);
    out += '\n';
    Ok(out);
  } else if (command == "state") {
    DescribeState(out);
    Ok(out);
  } else if (command == "termios") {
    std::string why;
    if (DescribeTermiosOf(out, &why)) {
      Ok(out);
    } else {
      Err(out, why);
    }
  } else if (command == "flush") {
    display_.FlushLine();
    Ok(out);
  } else if (command == "drop") {
    if (!display_.PortOpen()) {
      Err(out, "port already dropped");
    } else {
      display_.DropPort();
      Ok(out);
    }
  } else if (command == "restore") {
    std::string why;
    if (display_.PortOpen()) {
      Err(out, "port is open");
    } else if (display_.OpenPort(&why)) {
      Ok(out);
    } else {
      Err(out, why);
    }
  } else if (command == "send") {
    std::vector<uint8_t> bytes;
    if (!display_.PortOpen()) {
      Err(out, "port dropped");
    } else if (!ParseHex(arguments, &bytes)) {
      Err(out, "send needs hex bytes");
    } else {
      display_.Send(bytes);
      Ok(out);
    }
  } else if (command == "wait-bytes") {
    std::string_view countText = TakeCommand(arguments);
    uint64_t count = 0;
    uint64_t timeoutMs = 0;
    if (!ParseCount(countText, UINT64_MAX / 16, &count) || !ParseCount(arguments, kMaxWaitMs, &timeoutMs)) {
      Err(out, "wait-bytes needs a byte count and a time-out of at most 600000 ms");
    } else {
      waiting_ = true;
      waitTarget_ = count;
      waitDeadlineMs_ = nowMs + static_cast<int64_t>(timeoutMs);
      if (!ResolveWait(nowMs, out)) return Outcome::kWaiting;
    }
  } else if (command == "reset") {
    display_.Reset();
    Ok(out);
  } else if (command == "help") {
    out += HelpText();
    Ok(out);
  } else if (command == "quit") {
    Ok(out);
    return Outcome::kQuit;
  } else {
    Err(out, "unknown command " + std::string(command.substr(0, 40)) + " (try help)");
  }
  return Outcome::kDone;
}

bool ControlSession::ResolveWait(int64_t nowMs, std::string& out) {
  if (!waiting_) return true;
  if (display_.ReceivedCount() >= waitTarget_) {
    Ok(out);
  } else if (nowMs >= waitDeadlineMs_) {
    Err(out, "timeout with " + std::to_string(display_.ReceivedCount()) + " bytes");
  } else {
    return false;
  }
  waiting_ = false;
  return true;
}

int64_t ControlSession::MillisecondsUntilWaitEnds(int64_t nowMs) const {
  if (!waiting_) return -1;
  return std::max<int64_t>(0, waitDeadlineMs_ - nowMs);
}

void ControlSession::DescribeState(std::string& out) const {
  const VirtualScreen& screen = display_.Screen();
  const ParserCounts& counts = display_.Counts();
  const ReplyPlan& plan = display_.Plan();
  KeyValue(out, "row", std::to_string(screen.CursorRow() + 1));
  KeyValue(out, "column", std::to_string(screen.CursorColumn() + 1));
  KeyValue(out, "cursor", screen.CursorShown() ? "shown" : "hidden");
  KeyValue(out, "brightness", std::to_string(screen.Brightness()));
  KeyValue(out, "blink", std::to_string(screen.BlinkInterval()));
  KeyValue(out, "reverse", screen.Reverse() ? "1" : "0");
  KeyValue(out, "mode", ScrollModeName(screen.Mode()));
  KeyValue(out, "port", display_.PortOpen() ? "open" : "dropped");
  KeyValue(out, "link", display_.Port().LinkPath());
  KeyValue(out, "slave", display_.Port().SlavePath());
  KeyValue(out, "reply", plan.text);
  KeyValue(out, "reply-bytes", FormatHex(plan.bytes.data(), plan.bytes.size()));
  KeyValue(out, "reply-delay-ms", std::to_string(plan.delayMs));
  KeyValue(out, "replies-owed", std::to_string(display_.RepliesOwed()));
  KeyValue(out, "replied", std::to_string(display_.BytesReplied()));
  KeyValue(out, "received", std::to_string(display_.ReceivedCount()));
  KeyValue(out, "applied", std::to_string(counts.applied));
  KeyValue(out, "ignored", std::to_string(counts.ignored));
  KeyValue(out, "rejected", std::to_string(counts.rejected));
  KeyValue(out, "id-requests", std::to_string(counts.identificationRequests));
}

bool ControlSession::DescribeTermiosOf(std::string& out, std::string* why) const {
  if (!display_.PortOpen()) {
    *why = "port dropped";
    return false;
  }
  termios settings{};
  if (tcgetattr(display_.Port().SlaveFd(), &settings) != 0) {
    *why = std::string("tcgetattr: ") + std::strerror(errno);
    return false;
  }
  out += DescribeTermios(settings);
  return true;
}

}  // namespace orvix::vpd
