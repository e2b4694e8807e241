#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "platform/serial_port.h"

namespace orvix::platform {

// So that tests compare line settings as a whole and gtest prints them readably.
bool operator==(const CommSettings& a, const CommSettings& b);
inline bool operator!=(const CommSettings& a, const CommSettings& b) { return !(a == b); }
void PrintTo(const CommSettings& s, std::ostream* out);

}  // namespace orvix::platform

namespace orvix::testing {

using Bytes = std::vector<uint8_t>;

// Bytes from a hex text such as "1F 72 00 41"; spaces are ignored.
Bytes HexBytes(const std::string& hex);
// "1F 72 00 41".
std::string ToHex(const Bytes& bytes);
// Empty when equal; otherwise both sides in hex with the first differing byte marked.
std::string HexDiff(const Bytes& expected, const Bytes& actual);

// Success when `actual` holds exactly the transfers `expectedHex` names, one hex text per
// write; otherwise a message with the hex diff of every transfer that differs.
::testing::AssertionResult SameTransfers(const std::vector<Bytes>& actual,
                                         const std::vector<std::string>& expectedHex);

// A serial port that records what the service object does to it and answers reads from a
// script. Each Write is kept as one transfer, so tests see what left in one write.
class FakeSerialPort : public platform::SerialPort {
 public:
  struct Reply {
    Bytes bytes;            // what the read delivers (at most the count asked for)
    bool timedOut = false;  // the read waits its full time-out; `bytes` is what arrived by then
  };

  bool Open(const char* name) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  bool Escape(platform::ControlLine line) override;
  bool GetState(platform::CommSettings* settings) override;
  bool SetState(const platform::CommSettings& settings) override;
  bool GetModemStatus(uint32_t* status) override;
  void Write(const uint8_t* bytes, size_t count) override;
  size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) override;

  // Script. A read with nothing queued times out with nothing.
  void QueueReply(const Bytes& bytes) { replies.push_back({bytes, false}); }
  void QueueReply(const std::string& hex) { QueueReply(HexBytes(hex)); }
  void QueueSilence() { replies.push_back({{}, true}); }
  // Only part of a reply arrives before the read's time-out.
  void QueuePartial(const std::string& hex) { replies.push_back({HexBytes(hex), true}); }

  // Everything written since the last TakeWrites, one entry per transfer.
  std::vector<Bytes> TakeWrites();
  // All written bytes, concatenated.
  Bytes AllWritten() const;
  // Takes the writes and compares them with `expectedHex`, one text per transfer:
  // EXPECT_TRUE(port.TookWrites({"1B 40 0C"})).
  ::testing::AssertionResult TookWrites(const std::vector<std::string>& expectedHex);

  // Configuration of the fake.
  bool openSucceeds = true;
  bool modemStatusReadable = true;
  uint32_t modemStatus = platform::kModemCtsOn;
  bool refuseParityAbove4 = true;  // like a real driver, a parity code above 4 is refused
  // When set, reads move this clock by the time they wait, so a test can see the total time
  // an exchange took on one clock.
  FakeClock* clock = nullptr;

  // What happened.
  std::vector<std::string> calls;  // every call in order: "Open COM1", "GetState", "Escape 3"...
  std::vector<std::string> openedNames;
  std::vector<platform::ControlLine> escapes;
  std::vector<platform::CommSettings> appliedStates;  // every accepted SetState
  platform::CommSettings current;
  std::vector<Bytes> writes;
  std::deque<Reply> replies;
  std::vector<uint32_t> readTimeouts;
  int closes = 0;
  uint64_t readWaitMs = 0;  // simulated time spent in reads

 private:
  void Wait(uint32_t milliseconds);

  bool open_ = false;
};

}  // namespace orvix::testing
