#include "fakes/fake_usb_bus.h"

#include <algorithm>
#include <cstring>

namespace orvix::testing {

class FakeUsbBus::Pipe : public platform::UsbPipe {
 public:
  Pipe(FakeUsbBus& bus, std::string name) : bus_(bus), name_(std::move(name)) { ++bus_.openPipes; }
  ~Pipe() override {
    --bus_.openPipes;
    bus_.closedPipes.push_back(name_);
  }

  size_t Write(const uint8_t* bytes, size_t count, uint32_t timeoutMs) override {
    bus_.writes.push_back({name_, Bytes(bytes, bytes + count), count, timeoutMs});
    return count;
  }

  size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) override {
    bus_.reads.push_back({name_, {}, count, timeoutMs});
    if (bus_.replies.empty() || bus_.replies.front().timedOut) {
      if (!bus_.replies.empty()) bus_.replies.pop_front();
      bus_.waitedMs += timeoutMs;
      return 0;
    }
    const Bytes reply = bus_.replies.front().bytes;
    bus_.replies.pop_front();
    const size_t delivered = std::min(count, reply.size());
    if (delivered != 0) std::memcpy(destination, reply.data(), delivered);
    bus_.reads.back().bytes.assign(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(delivered));
    return delivered;
  }

 private:
  FakeUsbBus& bus_;
  std::string name_;
};

std::vector<std::string> FakeUsbBus::EnumerateInterfaces(const platform::Guid& interfaceClass) {
  enumeratedClasses.push_back(interfaceClass);
  std::vector<std::string> paths;
  for (const auto& [cls, path] : interfaces) {
    if (cls == interfaceClass) paths.push_back(path);
  }
  return paths;
}

std::unique_ptr<platform::UsbPipe> FakeUsbBus::OpenPipe(const char* name) {
  pipeOpenAttempts.emplace_back(name);
  if (!pipesOpen) return nullptr;
  for (const auto& entry : interfaces) {
    const std::string& path = entry.second;
    if (name == path + "\\PIPE01" || name == path + "\\PIPE02") return std::make_unique<Pipe>(*this, name);
  }
  return nullptr;
}

}  // namespace orvix::testing
