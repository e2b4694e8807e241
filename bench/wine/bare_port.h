// The software floor of a write: the same bytes through bare overlapped WriteFile calls on a
// port of its own, as lean as a writer that does not wait can be. A small pool of OVERLAPPED
// records, each with its event and a copy of the bytes, reused once HasOverlappedIoCompleted
// says its write is done; WriteFile resets the event itself.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "win32/unique_any.h"

namespace orvix::wine_client {

class BarePort {
 public:
  static constexpr size_t kSlots = 16;
  static constexpr size_t kSlotBytes = 64;

  BarePort() = default;
  BarePort(const BarePort&) = delete;
  BarePort& operator=(const BarePort&) = delete;
  ~BarePort() { Close(); }

  bool Open(const char* name);
  // Starts writing `count` bytes (at most kSlotBytes) without waiting for them.
  void Write(const uint8_t* bytes, size_t count);
  // Waits for the writes on their way, then closes.
  void Close();

  HANDLE handle() const { return file_.get(); }

 private:
  struct Slot {
    OVERLAPPED overlapped;
    win32::UniqueEvent event;
    bool started;
    uint8_t bytes[kSlotBytes];
  };

  win32::UniqueFile file_;
  Slot slots_[kSlots] = {};
  size_t next_ = 0;
};

// A bare identification on `portName`: open, the five-byte request, the eight-byte reply,
// close. True when the reply began with 07. The time of the part before the close is given
// in `elapsedNs`.
bool BareIdentify(const char* portName, int64_t* elapsedNs);

// What OpenService asks of the registry, done bare: the device-class key's values and the
// profile's eight values. Gives the nanoseconds it took.
int64_t BareProfileRead();

// What OpenService does to the port between opening it and asking the display, done bare
// on `portName`: RTS and DTR raised, then nine read-modify-write steps of the line settings.
// Gives the nanoseconds of that part alone (not of the open and close around it).
int64_t BareLineSettings(const char* portName);

}  // namespace orvix::wine_client
