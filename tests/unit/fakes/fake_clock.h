#pragma once
#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace orvix::testing {

// A clock that only moves when asked: every TickCount call advances it by `tickStep`
// milliseconds (so busy waits end), Sleep advances it by the time slept, and PumpMessages
// runs an optional hook that stands for a window procedure.
class FakeClock : public platform::Clock {
 public:
  uint32_t TickCount() override {
    uint32_t now = now_;
    now_ += tickStep;
    return now;
  }
  void Sleep(uint32_t milliseconds) override {
    slept += milliseconds;
    ++sleepCalls;
    now_ += milliseconds;
  }
  void PumpMessages() override {
    ++pumps;
    if (onPump) onPump();
  }

  uint32_t now() const { return now_; }
  void set_now(uint32_t now) { now_ = now; }

  uint32_t tickStep = 1;
  uint64_t slept = 0;
  int sleepCalls = 0;
  int pumps = 0;
  std::function<void()> onPump;

 private:
  uint32_t now_ = 1000;
};

}  // namespace orvix::testing
