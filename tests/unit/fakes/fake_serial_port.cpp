#include "fakes/fake_serial_port.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orvix::platform {

bool operator==(const CommSettings& a, const CommSettings& b) {
  return a.baudRate == b.baudRate && a.parity == b.parity && a.byteSize == b.byteSize &&
         a.stopBits == b.stopBits && a.outxCtsFlow == b.outxCtsFlow && a.outxDsrFlow == b.outxDsrFlow &&
         a.dtrControl == b.dtrControl && a.rtsControl == b.rtsControl && a.outX == b.outX && a.inX == b.inX;
}

void PrintTo(const CommSettings& s, std::ostream* out) {
  *out << "{baud " << s.baudRate << ", parity " << int{s.parity} << ", bits " << int{s.byteSize} << ", stop "
       << int{s.stopBits} << ", ctsFlow " << s.outxCtsFlow << ", dsrFlow " << s.outxDsrFlow << ", dtr "
       << int{s.dtrControl} << ", rts " << int{s.rtsControl} << ", outX " << s.outX << ", inX " << s.inX << "}";
}

}  // namespace orvix::platform

namespace orvix::testing {

Bytes HexBytes(const std::string& hex) {
  Bytes bytes;
  std::string digits;
  for (char c : hex) {
    if (c == ' ') continue;
    digits.push_back(c);
    if (digits.size() == 2) {
      bytes.push_back(static_cast<uint8_t>(std::stoul(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return bytes;
}

std::string ToHex(const Bytes& bytes) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += byte;
  }
  return text;
}

std::string HexDiff(const Bytes& expected, const Bytes& actual) {
  if (expected == actual) return {};
  size_t first = 0;
  while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) ++first;
  std::string marker(first * 3, ' ');
  return "\n  expected: " + ToHex(expected) + "\n  actual:   " + ToHex(actual) + "\n            " + marker +
         "^ first difference at byte " + std::to_string(first);
}

::testing::AssertionResult SameTransfers(const std::vector<Bytes>& actual,
                                         const std::vector<std::string>& expectedHex) {
  std::vector<Bytes> expected;
  for (const std::string& hex : expectedHex) expected.push_back(HexBytes(hex));
  if (actual == expected) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  failure << expected.size() << " transfer(s) expected, " << actual.size() << " written";
  for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    if (i >= actual.size()) {
      failure << "\n transfer " << i << " missing: " << ToHex(expected[i]);
    } else if (i >= expected.size()) {
      failure << "\n transfer " << i << " unexpected: " << ToHex(actual[i]);
    } else if (expected[i] != actual[i]) {
      failure << "\n transfer " << i << ":" << HexDiff(expected[i], actual[i]);
    }
  }
  return failure;
}

bool FakeSerialPort::Open(const char* name) {
  calls.push_back(std::string("Open ") + name);
  openedNames.emplace_back(name);
  open_ = openSucceeds;
  return open_;
}

void FakeSerialPort::Close() {
  calls.push_back("Close");
  ++closes;
  open_ = false;
}

bool FakeSerialPort::Escape(platform::ControlLine line) {
  calls.push_back("Escape " + std::to_string(static_cast<int>(line)));
  if (!open_) return false;
  escapes.push_back(line);
  return true;
}

bool FakeSerialPort::GetState(platform::CommSettings* settings) {
  calls.push_back("GetState");
  if (!open_) return false;
  *settings = current;
  return true;
}

bool FakeSerialPort::SetState(const platform::CommSettings& settings) {
  calls.push_back("SetState");
  if (!open_) return false;
  if (refuseParityAbove4 && settings.parity > 4) return false;
  current = settings;
  appliedStates.push_back(settings);
  return true;
}

bool FakeSerialPort::GetModemStatus(uint32_t* status) {
  calls.push_back("GetModemStatus");
  if (!open_ || !modemStatusReadable) return false;
  *status = modemStatus;
  return true;
}

void FakeSerialPort::Write(const uint8_t* bytes, size_t count) {
  calls.push_back("Write " + std::to_string(count));
  if (!open_) return;
  writes.emplace_back(bytes, bytes + count);
}

void FakeSerialPort::Wait(uint32_t milliseconds) {
  readWaitMs += milliseconds;
  if (clock != nullptr) clock->set_now(clock->now() + milliseconds);
}

size_t FakeSerialPort::Read(uint8_t* destination, size_t count, uint32_t timeoutMs) {
  calls.push_back("Read " + std::to_string(count));
  readTimeouts.push_back(timeoutMs);
  if (!open_ || replies.empty()) {
    Wait(timeoutMs);
    return 0;
  }
  Reply reply = replies.front();
  replies.pop_front();
  size_t delivered = std::min(count, reply.bytes.size());
  if (delivered != 0) std::memcpy(destination, reply.bytes.data(), delivered);
  if (reply.timedOut) {
    Wait(timeoutMs);
    return 0;
  }
  return delivered;
}

std::vector<Bytes> FakeSerialPort::TakeWrites() {
  std::vector<Bytes> taken;
  taken.swap(writes);
  return taken;
}

::testing::AssertionResult FakeSerialPort::TookWrites(const std::vector<std::string>& expectedHex) {
  return SameTransfers(TakeWrites(), expectedHex);
}

Bytes FakeSerialPort::AllWritten() const {
  Bytes all;
  for (const Bytes& w : writes) all.insert(all.end(), w.begin(), w.end());
  return all;
}

}  // namespace orvix::testing
