#include "win32/read_record_win32.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace orvix::win32 {
namespace {

class Win32ReadRecord : public platform::ReadRecord {
 public:
  Win32ReadRecord(HANDLE file, UniqueEvent event) : file_(file), event_(std::move(event)) {}

  bool Start(size_t count) override {
    if (buffer_.size() < count) buffer_.resize(count);
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.get();
    delivered_ = 0;
    // ReadFile resets the event itself, and a read that completes at once signals it too.
    out_ = ReadFile(file_, buffer_.data(), static_cast<DWORD>(count), nullptr, &overlapped_) != FALSE ||
           GetLastError() == ERROR_IO_PENDING;
    return out_;
  }

  bool Finished(uint32_t timeoutMs) override {
    if (!out_) return true;
    if (WaitForSingleObject(event_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    // A failed or cancelled read still reports what it had received.
    DWORD transferred = 0;
    GetOverlappedResult(file_, &overlapped_, &transferred, FALSE);
    delivered_ = transferred;
    out_ = false;
    return true;
  }

  void Cancel() override {
    if (out_) CancelIoEx(file_, &overlapped_);
  }

  size_t Delivered() const override { return delivered_; }
  const uint8_t* bytes() const override { return buffer_.data(); }

 private:
  HANDLE file_;  // the owner's, not closed here
  UniqueEvent event_;
  OVERLAPPED overlapped_{};
  std::vector<uint8_t> buffer_;
  DWORD delivered_ = 0;
  bool out_ = false;  // handed to the driver and not seen finished
};

}  // namespace

std::unique_ptr<platform::ReadRecord> NewReadRecord(HANDLE file) {
  UniqueEvent event = NewManualResetEvent();
  if (!event) return nullptr;
  return std::make_unique<Win32ReadRecord>(file, std::move(event));
}

}  // namespace orvix::win32
