#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/ansi_codec.h"
#include "platform/clock.h"
#include "platform/log_file.h"
#include "platform/serial_port.h"

namespace orvix::bench {

// A serial port that drops every byte written, so that a measurement sees only the core's
// own work. It answers the identification request as a KVD5100 does, so that OpenService
// finds a display, and holds CTS on.
class NullSerialPort : public platform::SerialPort {
 public:
  bool Open(const char*) override { return open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  bool Escape(platform::ControlLine) override { return open_; }
  bool GetState(platform::CommSettings* settings) override {
    *settings = settings_;
    return open_;
  }
  bool SetState(const platform::CommSettings& settings) override {
    settings_ = settings;
    return open_;
  }
  bool GetModemStatus(uint32_t* status) override {
    *status = platform::kModemCtsOn;
    return open_;
  }
  void Write(const uint8_t*, size_t count) override { bytesDropped += count; }
  size_t Read(uint8_t* destination, size_t count, uint32_t) override {
    static const uint8_t kModelReply[] = {0x07, 'K', 'V', 'D', '5', '1', '0', '0'};
    const size_t delivered = count < sizeof kModelReply ? count : sizeof kModelReply;
    std::memcpy(destination, kModelReply, delivered);
    return delivered;
  }

  uint64_t bytesDropped = 0;

 private:
  bool open_ = false;
  platform::CommSettings settings_;
};

// Time that stands still; nothing waits in the measured calls.
class IdleClock : public platform::Clock {
 public:
  uint32_t TickCount() override { return ++now_; }
  void Sleep(uint32_t milliseconds) override { now_ += milliseconds; }
  void PumpMessages() override {}

 private:
  uint32_t now_ = 0;
};

// The code page 1252 for the characters the benchmarks use (Latin-1 passes through), with
// the cost of the two calls a conversion makes but nothing recorded.
class Latin1Codec : public platform::AnsiCodec {
 public:
  int WideToAnsi(const char16_t* source, char* destination, int destinationSize) override {
    int size = 1;
    for (const char16_t* c = source; *c != 0; ++c) ++size;
    if (destination == nullptr || destinationSize == 0) return size;
    if (destinationSize < size) return 0;
    for (int i = 0; i < size; ++i) destination[i] = source[i] < 0x100 ? static_cast<char>(source[i]) : '?';
    return size;
  }
};

// Logging stays off in the measurements; should it be switched on, nothing is kept.
class NullLogFile : public platform::LogFile {
 public:
  bool Append(const char*, size_t) override { return true; }
};

}  // namespace orvix::bench
