#pragma once
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "app/pty_port.h"
#include "model/command_parser.h"
#include "model/reply_plan.h"
#include "model/virtual_screen.h"

namespace orvix::vpd {

// The virtual display on its pty: reads what the client writes, applies it to the screen,
// keeps a log of the received bytes and writes the identification replies back when due.
// Single-threaded; the caller's event loop decides when to call the I/O operations.
class PoleDisplay {
 public:
  // The log of received bytes keeps at most this many; the count goes on beyond it.
  static constexpr size_t kMaxLoggedBytes = 1 << 20;
  // Bytes for the client that it has not taken yet; more are dropped.
  static constexpr size_t kMaxOutputBytes = 1 << 16;
  // Reads remembered with their time of arrival; older ones are forgotten.
  static constexpr size_t kMaxArrivals = 1 << 16;

  // One read from the line: the received count after it, and when it came, in nanoseconds
  // of the system's real-time clock (which Windows programs under Wine read as well), so
  // that a client can tell how long its bytes took to arrive.
  struct Arrival {
    uint64_t received;
    int64_t realtimeNs;
  };

  PoleDisplay(std::string linkPath, ReplyPlan plan, FILE* trace)
      : port_(std::move(linkPath)), plan_(std::move(plan)), trace_(trace) {}

  // Makes the pty and the link (also after Drop). False with `why` on failure.
  bool OpenPort(std::string* why);
  // Closes the pty and removes the link; replies still owed are forgotten.
  void DropPort();
  bool PortOpen() const { return port_.IsOpen(); }
  const PtyPort& Port() const { return port_; }

  // Reads everything the client has written so far, without waiting.
  void ReadInput(int64_t nowMs);
  // Moves the replies due at `nowMs` to the output and writes as much output as the pty
  // takes without waiting.
  void WriteOutput(int64_t nowMs);
  bool HasOutput() const { return !output_.empty(); }
  int64_t MillisecondsUntilNextReply(int64_t nowMs) const { return replies_.MillisecondsUntilNext(nowMs); }

  // Queues bytes for the client as they are, ahead of no reply.
  void Send(const std::vector<uint8_t>& bytes);
  // Discards what the pty holds in both directions, the replies still owed and a command
  // that was cut off.
  void FlushLine();
  // Back to power-on: initialised screen, counts and log cleared.
  void Reset();

  void SetPlan(ReplyPlan plan) { plan_ = std::move(plan); }
  const ReplyPlan& Plan() const { return plan_; }

  const VirtualScreen& Screen() const { return screen_; }
  const ParserCounts& Counts() const { return parser_.Counts(); }
  const std::vector<uint8_t>& LoggedBytes() const { return logged_; }
  const std::deque<Arrival>& Arrivals() const { return arrivals_; }
  uint64_t ReceivedCount() const { return received_; }
  void ClearLog();
  size_t RepliesOwed() const { return replies_.Pending(); }
  uint64_t BytesReplied() const { return replied_; }

 private:
  void Accept(const uint8_t* bytes, size_t size, int64_t nowMs);
  void TraceBytes(const char* direction, const uint8_t* bytes, size_t size);

  PtyPort port_;
  VirtualScreen screen_;
  CommandParser parser_{screen_};
  ReplyPlan plan_;
  ReplyQueue replies_;
  std::vector<uint8_t> logged_;
  std::deque<Arrival> arrivals_;
  uint64_t received_ = 0;
  uint64_t replied_ = 0;
  std::vector<uint8_t> output_;
  FILE* trace_;
};

}  // namespace orvix::vpd
