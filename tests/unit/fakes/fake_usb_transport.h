#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "fakes/fake_serial_port.h"
#include "link/usb_transport.h"

namespace orvix::testing {

// The USB transport as the device link sees it: records opens, closes and transfers, and
// answers reads from a script (an unscripted read delivers nothing).
class FakeUsbTransport : public UsbTransport {
 public:
  struct OpenCall {
    int32_t selector;
    int32_t mode;
  };

  bool Open(int32_t selector, int32_t mode) override {
    opens.push_back({selector, mode});
    return openResult;
  }
  void Close() override { ++closes; }
  void Write(const uint8_t* bytes, size_t count) override { writes.emplace_back(bytes, bytes + count); }
  void Read(uint8_t* destination, size_t count) override {
    readCounts.push_back(count);
    if (replies.empty()) return;
    const Bytes reply = replies.front();
    replies.pop_front();
    std::memcpy(destination, reply.data(), std::min(count, reply.size()));
  }

  void QueueReply(const std::string& hex) { replies.push_back(HexBytes(hex)); }

  std::vector<Bytes> TakeWrites() {
    std::vector<Bytes> taken;
    taken.swap(writes);
    return taken;
  }
  ::testing::AssertionResult TookWrites(const std::vector<std::string>& expectedHex) {
    return SameTransfers(TakeWrites(), expectedHex);
  }

  bool openResult = true;
  std::vector<OpenCall> opens;
  int closes = 0;
  std::vector<Bytes> writes;
  std::vector<size_t> readCounts;
  std::deque<Bytes> replies;
};

}  // namespace orvix::testing
