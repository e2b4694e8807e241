#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_serial_port.h"
#include "platform/usb_bus.h"

namespace orvix::testing {

// The device interfaces of a machine, given as paths per interface class, and a driver
// behind them: the pipe files "<path>\PIPE01" and "<path>\PIPE02" of every listed interface
// open (unless `pipesOpen` is false); every other name does not. Pipes record what is
// written to them and answer reads from a script. Pipes must not outlive the bus.
class FakeUsbBus : public platform::UsbBus {
 public:
  struct Transfer {
    std::string pipe;  // the name it was opened with
    Bytes bytes;       // written, or delivered by a read
    size_t count;      // asked for
    uint32_t timeoutMs;
  };
  struct Reply {
    Bytes bytes;
    bool timedOut = false;  // the read waits its full time-out and delivers nothing
  };

  std::vector<std::string> EnumerateInterfaces(const platform::Guid& interfaceClass) override;
  std::unique_ptr<platform::UsbPipe> OpenPipe(const char* name) override;

  void AddInterface(const platform::Guid& interfaceClass, const std::string& path) {
    interfaces.emplace_back(interfaceClass, path);
  }
  void QueueReply(const Bytes& bytes) { replies.push_back({bytes, false}); }
  void QueueSilence() { replies.push_back({{}, true}); }

  // The machine.
  std::vector<std::pair<platform::Guid, std::string>> interfaces;
  bool pipesOpen = true;
  std::deque<Reply> replies;  // an empty script is silence

  // What happened.
  std::vector<platform::Guid> enumeratedClasses;
  std::vector<std::string> pipeOpenAttempts;
  std::vector<Transfer> writes;
  std::vector<Transfer> reads;
  std::vector<std::string> closedPipes;
  int openPipes = 0;
  uint64_t waitedMs = 0;  // simulated time spent in transfers

 private:
  class Pipe;
};

}  // namespace orvix::testing
