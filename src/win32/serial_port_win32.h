#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/read_record.h"
#include "platform/serial_port.h"
#include "win32/unique_any.h"

namespace orvix::win32 {

// A COM port through CreateFileA with overlapped I/O.
//
// Writes are not waited for: each goes out from its own slot of a small pool (an OVERLAPPED
// record, its own manual-reset event and its own copy of the bytes), and a slot is used
// again once its write has completed. Writes are started in call order, and the driver
// puts them on the line in that order. Only when every slot still has a write on its way
// does a write wait, for the oldest one and at most kFullPoolWaitMs: the line is then that
// many transfers behind, and waiting is the only way to keep both the bytes and the memory
// bounded.
//
// A read goes into a record of its own (see ReadRecordPool) and is copied into the caller's
// buffer once it has finished: a read that has not completed when its time-out ends is
// cancelled, and a cancellation that does not finish within 100 ms is not waited for. Bytes
// that the driver had not yet handed over stay queued for the next read.
class Win32SerialPort : public platform::SerialPort {
 public:
  // Writes on their way at one time before a write waits.
  static constexpr size_t kWriteSlots = 16;
  // How long a write waits for the oldest write when every slot is taken.
  static constexpr uint32_t kFullPoolWaitMs = 1000;
  // How long Close waits, in all, for writes still on their way, and then for the
  // cancellation of those that did not make it.
  static constexpr uint32_t kCloseWaitMs = 1000;
  static constexpr uint32_t kCancelWaitMs = 100;

  Win32SerialPort();
  ~Win32SerialPort() override;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  platform::PortOpening Open(const char* name) override;
  void Close() override;
  bool IsOpen() const override;
  bool Escape(platform::ControlLine line) override;
  bool GetState(platform::CommSettings* settings) override;
  bool SetState(const platform::CommSettings& settings) override;
  platform::ModemStatus GetModemStatus() override;
  bool ClearTimeouts() override;
  bool PurgeInput() override;
  void Write(const uint8_t* bytes, size_t count) override;
  size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) override;

 private:
  struct WriteSlot;
  struct PortRecord;

  WriteSlot* TakeWriteSlot();
  // Waits (bounded) for the writes on their way, cancels the rest and waits for that.
  void FinishWrites();
  // Waits for the writes on their way, at most `boundMs` for all of them together.
  void WaitForWrites(uint32_t boundMs);

  UniqueFile file_;
  // The driver's own line-setting record as GetState last read it: SetState builds on it
  // instead of reading it again, which saves a driver round trip on each of the settings
  // applied one by one at every open. Forgotten at open, at close and after a refused set.
  std::unique_ptr<PortRecord> lastRead_;
  platform::ReadRecordPool reads_;
  // Pointers, so that a slot's OVERLAPPED record never moves while the driver holds it.
  std::vector<std::unique_ptr<WriteSlot>> writeSlots_;
  uint64_t writesStarted_ = 0;
};

}  // namespace orvix::win32
