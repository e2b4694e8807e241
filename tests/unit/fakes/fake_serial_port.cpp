#include "fakes/fake_serial_port.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

bool FakeSerialPort::Open(const char* name) {
  openedNames.emplace_back(name);
  open_ = openSucceeds;
  return open_;
}

void FakeSerialPort::Close() {
  ++closes;
  open_ = false;
}

bool FakeSerialPort::Escape(platform::ControlLine line) {
  if (!open_) return false;
  escapes.push_back(line);
  return true;
}

bool FakeSerialPort::GetState(platform::CommSettings* settings) {
  if (!open_) return false;
  *settings = current;
  return true;
}

bool FakeSerialPort::SetState(const platform::CommSettings& settings) {
  if (!open_) return false;
  if (refuseParityAbove4 && settings.parity > 4) return false;
  current = settings;
  appliedStates.push_back(settings);
  return true;
}

bool FakeSerialPort::GetModemStatus(uint32_t* status) {
  if (!open_ || !modemStatusReadable) return false;
  *status = modemStatus;
  return true;
}

void FakeSerialPort::Write(const uint8_t* bytes, size_t count) {
  if (!open_) return;
  writes.emplace_back(bytes, bytes + count);
}

size_t FakeSerialPort::Read(uint8_t* destination, size_t count, uint32_t timeoutMs) {
  readTimeouts.push_back(timeoutMs);
  if (!open_ || replies.empty()) {
    readWaitMs += timeoutMs;
    return 0;
  }
  Reply reply = replies.front();
  replies.pop_front();
  if (reply.timedOut) {
    readWaitMs += timeoutMs;
    return 0;
  }
  size_t delivered = std::min(count, reply.bytes.size());
  std::memcpy(destination, reply.bytes.data(), delivered);
  return delivered;
}

std::vector<Bytes> FakeSerialPort::TakeWrites() {
  std::vector<Bytes> taken;
  taken.swap(writes);
  return taken;
}

Bytes FakeSerialPort::AllWritten() const {
  Bytes all;
  for (const Bytes& w : writes) all.insert(all.end(), w.begin(), w.end());
  return all;
}

}  // namespace orvix::testing
