#pragma once
#include "platform/clock.h"

namespace orvix::win32 {

// GetTickCount, Sleep and the calling thread's message queue.
class Win32Clock : public platform::Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
  void PumpMessages() override;
};

}  // namespace orvix::win32
