#include "app/pole_display.h"

#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "model/hex_text.h"

namespace orvix::vpd {

bool PoleDisplay::OpenPort(std::string* why) {
  output_.clear();
  replies_.Clear();
  parser_.DropPartialCommand();
  return port_.Open(why);
}

void PoleDisplay::DropPort() {
  port_.Close();
  output_.clear();
  replies_.Clear();
  parser_.DropPartialCommand();
}

void PoleDisplay::ReadInput(int64_t nowMs) {
  if (!port_.IsOpen()) return;
  uint8_t chunk[4096];
  for (;;) {
    ssize_t got = read(port_.MasterFd(), chunk, sizeof chunk);
    if (got > 0) {
      Accept(chunk, static_cast<size_t>(got), nowMs);
      continue;
    }
    // EAGAIN: nothing more for now. EIO would mean no client side is open, which the
    // descriptor kept in the port rules out; either way the display waits for the next
    // bytes rather than giving up on the line.
    if (got < 0 && errno == EINTR) continue;
    return;
  }
}

void PoleDisplay::Accept(const uint8_t* bytes, size_t size, int64_t nowMs) {
  TraceBytes("rx", bytes, size);
  received_ += size;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  if (arrivals_.size() == kMaxArrivals) arrivals_.pop_front();
  arrivals_.push_back({received_, static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec});
  size_t room = kMaxLoggedBytes - std::min(kMaxLoggedBytes, logged_.size());
  logged_.insert(logged_.end(), bytes, bytes + std::min(room, size));
  size_t requests = parser_.Feed(bytes, size);
  for (size_t i = 0; i < requests; ++i) replies_.Schedule(nowMs, plan_);
}

void PoleDisplay::WriteOutput(int64_t nowMs) {
  Send(replies_.TakeDue(nowMs));
  if (!port_.IsOpen()) {
    output_.clear();
    return;
  }
  while (!output_.empty()) {
    ssize_t put = write(port_.MasterFd(), output_.data(), output_.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    TraceBytes("tx", output_.data(), static_cast<size_t>(put));
    replied_ += static_cast<uint64_t>(put);
    output_.erase(output_.begin(), output_.begin() + put);
  }
}

void PoleDisplay::Send(const std::vector<uint8_t>& bytes) {
  size_t room = kMaxOutputBytes - std::min(kMaxOutputBytes, output_.size());
  output_.insert(output_.end(), bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(std::min(room, bytes.size())));
}

void PoleDisplay::FlushLine() {
  if (port_.IsOpen()) {
    tcflush(port_.SlaveFd(), TCIOFLUSH);
    tcflush(port_.MasterFd(), TCIOFLUSH);
  }
  output_.clear();
  replies_.Clear();
  parser_.DropPartialCommand();
}

void PoleDisplay::Reset() {
  screen_.Initialise();
  parser_.DropPartialCommand();
  parser_.ResetCounts();
  replied_ = 0;
  ClearLog();
}

void PoleDisplay::ClearLog() {
  logged_.clear();
  logged_.shrink_to_fit();
  arrivals_.clear();
  received_ = 0;
}

void PoleDisplay::TraceBytes(const char* direction, const uint8_t* bytes, size_t size) {
  if (trace_ == nullptr) return;
  std::fprintf(trace_, "vpd %s %s\n", direction, FormatHex(bytes, size).c_str());
  std::fflush(trace_);
}

}  // namespace orvix::vpd
