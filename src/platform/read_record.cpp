#include "platform/read_record.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace orvix::platform {

ReadRecordPool::ReadRecordPool(MakeRecord make) : make_(std::move(make)) {}

ReadRecordPool::~ReadRecordPool() { Forget(); }

size_t ReadRecordPool::Read(uint8_t* destination, size_t count, uint32_t timeoutMs) {
  if (destination == nullptr || count == 0) return 0;
  abandoned_.erase(std::remove_if(abandoned_.begin(), abandoned_.end(),
                                  [](const std::unique_ptr<ReadRecord>& record) { return record->Finished(0); }),
                   abandoned_.end());
  if (abandoned_.size() >= kMostAbandoned) return 0;

  std::unique_ptr<ReadRecord> record = idle_ != nullptr ? std::move(idle_) : make_();
  if (record == nullptr) return 0;
  if (!record->Start(count)) {
    idle_ = std::move(record);
    return 0;
  }
  bool finished = record->Finished(timeoutMs);
  if (!finished) {
    record->Cancel();
    finished = record->Finished(kCancelWaitMs);
  }
  if (!finished) {
    abandoned_.push_back(std::move(record));
    return 0;
  }
  // A read that completed just before its cancellation still counts, and so does the start
  // of a reply that the cancellation cut short: the caller judges the bytes by their content.
  const size_t delivered = std::min(record->Delivered(), count);
  if (delivered > 0) std::memcpy(destination, record->bytes(), delivered);
  idle_ = std::move(record);
  return delivered;
}

void ReadRecordPool::Forget() {
  idle_.reset();
  for (std::unique_ptr<ReadRecord>& record : abandoned_) {
    if (!record->Finished(0)) static_cast<void>(record.release());  // the driver's for good
  }
  abandoned_.clear();
}

}  // namespace orvix::platform
