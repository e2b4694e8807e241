#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace orvix::testing {

using Bytes = std::vector<uint8_t>;

// Bytes from a hex text such as "1F 72 00 41"; spaces are ignored.
Bytes HexBytes(const std::string& hex);
// "1F 72 00 41".
std::string ToHex(const Bytes& bytes);
// Empty when equal; otherwise both sides in hex with the first differing byte marked.
std::string HexDiff(const Bytes& expected, const Bytes& actual);

// A serial port that records what the service object does to it and answers reads from a
// script. Each Write is kept as one transfer, so tests see what left in one write.
class FakeSerialPort : public platform::SerialPort {
 public:
  struct Reply {
    Bytes bytes;          // what the read delivers (at most the count asked for)
    bool timedOut = false;  // the read waits its full time-out and delivers nothing
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

  // Script.
  void QueueReply(const Bytes& bytes) { replies.push_back({bytes, false}); }
  void QueueSilence() { replies.push_back({{}, true}); }

  // Everything written since the last TakeWrites, one entry per transfer.
  std::vector<Bytes> TakeWrites();
  // All written bytes, concatenated.
  Bytes AllWritten() const;

  // Configuration of the fake.
  bool openSucceeds = true;
  bool modemStatusReadable = true;
  uint32_t modemStatus = platform::kModemCtsOn;
  bool refuseParityAbove4 = true;  // like a real driver, a parity code above 4 is refused

  // What happened.
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
  bool open_ = false;
};

}  // namespace orvix::testing
