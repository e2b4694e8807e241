#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orvix::platform {

// One overlapped read with storage of its own: the platform's request record, the event that
// its completion signals and the buffer that the driver fills. Until the read has finished
// the driver may write all three, so a record is started again or destroyed only after
// Finished said true.
class ReadRecord {
 public:
  virtual ~ReadRecord() = default;

  // Hands the driver a read of up to `count` bytes (at least 1) into the record's own buffer,
  // which grows to `count` first. False when the driver refused it at once: nothing is on its
  // way then, and the record counts as finished with nothing delivered.
  virtual bool Start(size_t count) = 0;

  // Waits at most `timeoutMs` (0: only looks) for the read to finish: to complete, fail or end
  // cancelled. True once it has; the driver then holds nothing of the record. Never cancels.
  virtual bool Finished(uint32_t timeoutMs) = 0;

  // Asks the driver to end the read early and returns without waiting. The read may still
  // complete normally, or not finish at all (a driver that lost its device).
  virtual void Cancel() = 0;

  // After Finished said true: the number of bytes that the driver put into bytes(), also
  // when the read failed or was cancelled part of the way (the start of a reply).
  virtual size_t Delivered() const = 0;
  virtual const uint8_t* bytes() const = 0;
};

// The reads of one open file, made so that no read writes into the caller's memory or holds
// the caller much beyond its time-out. Each read goes into a record of its own. A read that
// has not finished within its time-out is cancelled; when the cancellation has not finished
// within kCancelWaitMs either, the record is abandoned to the driver instead of waited for,
// and bytes that reach it later are dropped. An abandoned record is taken back once it has
// finished. While kMostAbandoned records are out, a read fails at once: the driver has
// stopped finishing reads, and more records would only pile up.
class ReadRecordPool {
 public:
  static constexpr uint32_t kCancelWaitMs = 100;
  static constexpr size_t kMostAbandoned = 4;

  // Makes a record for the open file; null when none can be made (the read then fails).
  using MakeRecord = std::function<std::unique_ptr<ReadRecord>()>;

  explicit ReadRecordPool(MakeRecord make);
  ~ReadRecordPool();
  ReadRecordPool(const ReadRecordPool&) = delete;
  ReadRecordPool& operator=(const ReadRecordPool&) = delete;

  // Reads up to `count` bytes into `destination`, waiting at most `timeoutMs` for them and
  // then at most kCancelWaitMs for the cancellation. Returns the number delivered, also those
  // that came before a time-out; 0 for an abandoned read, and at once while kMostAbandoned
  // records are out. Nothing is written into `destination` after it returns.
  size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs);

  // Lets go of every record, for a file that is about to be closed (it must still be open):
  // records that have finished are freed, those still out are left to the driver for good,
  // since it may yet write them. The next read starts afresh, with no record out.
  void Forget();

  size_t abandoned() const { return abandoned_.size(); }

 private:
  MakeRecord make_;
  std::unique_ptr<ReadRecord> idle_;  // finished, kept for the next read
  std::vector<std::unique_ptr<ReadRecord>> abandoned_;
};

}  // namespace orvix::platform
