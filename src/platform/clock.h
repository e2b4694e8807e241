#pragma once
#include <cstdint>

namespace orvix::platform {

// Time, sleeping and the calling thread's window messages.
class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since some fixed point, wrapping at 2^32 like GetTickCount. Never blocks.
  virtual uint32_t TickCount() = 0;

  // Blocks the calling thread for `milliseconds` without dispatching any message.
  virtual void Sleep(uint32_t milliseconds) = 0;

  // Dispatches every window message queued for the calling thread, then returns. Window
  // procedures of the host application run inside this call and may call back into the
  // service object. Returns at once when the queue is empty.
  virtual void PumpMessages() = 0;
};

}  // namespace orvix::platform
