#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/ansi_codec.h"
#include "platform/clock.h"
#include "platform/log_file.h"
#include "platform/registry_reader.h"
#include "platform/serial_port.h"

namespace orvix::bench {

// A serial port that drops every byte written, so that a measurement sees only the core's
// own work. It answers the identification request as a KVD5100 does, so that OpenService
// finds a display, and holds CTS on.
class NullSerialPort : public platform::SerialPort {
 public:
  platform::PortOpening Open(const char*) override {
    open_ = true;
    return platform::PortOpening::kOpened;
  }
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
  platform::ModemStatus GetModemStatus() override {
    return open_ ? platform::ModemStatus::kCtsOn : platform::ModemStatus::kFailed;
  }
  bool ClearTimeouts() override { return open_; }
  bool PurgeInput() override { return open_; }
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

// The registry with one device profile: its values under the key whose path ends in the
// device name, and no logical names.
class ProfileRegistry : public platform::RegistryReader {
 public:
  void SetText(const std::string& name, const std::string& text) { values_[name] = {kTypeString, text + '\0'}; }
  void SetDword(const std::string& name, uint32_t number) {
    values_[name] = {kTypeDword, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
  }
  platform::RegistryKeyPtr OpenLocalMachineKey(const char* path) override {
    const std::string key(path);
    if (key.find("\\ORVIX") != std::string::npos) return std::make_unique<Key>(true);
    return key.find("LineDisplay") != std::string::npos ? std::make_unique<Key>(false) : nullptr;
  }
  bool QueryValueCount(platform::RegistryKey& key, uint32_t* count) override {
    *count = IsProfile(key) ? static_cast<uint32_t>(values_.size()) : 0;
    return true;
  }
  Status EnumValueName(platform::RegistryKey&, uint32_t, char*, uint32_t*) override { return Status::kNotFound; }
  Status QueryValue(platform::RegistryKey& key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override {
    const auto found = values_.find(name);
    if (!IsProfile(key) || found == values_.end()) return Status::kNotFound;
    if (found->second.second.size() > *size) return Status::kMoreData;
    *type = found->second.first;
    *size = static_cast<uint32_t>(found->second.second.size());
    std::memcpy(data, found->second.second.data(), *size);
    return Status::kOk;
  }

 private:
  // The device class key or the profile key below it.
  struct Key : platform::RegistryKey {
    explicit Key(bool profile) : profile(profile) {}
    bool profile;
  };
  static bool IsProfile(platform::RegistryKey& key) { return static_cast<Key&>(key).profile; }
  std::map<std::string, std::pair<uint32_t, std::string>> values_;
};

}  // namespace orvix::bench
