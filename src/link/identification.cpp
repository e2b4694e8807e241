#include <cstring>

#include "link/device_link.h"

namespace orvix {
namespace {

constexpr uint8_t kReplyMark = 0x07;
constexpr int kReplyLength = 1 + kModelNameLength;
constexpr int kRetries = 3;
constexpr uint32_t kWaitBeforeRetryMs = 100;
constexpr uint32_t kWaitAfterRetryMs = 20;

}  // namespace

bool DeviceLink::IsDevicePresent() {
  if (state_.connectionKind == kConnectionSerial) return serial_.IsClearToSend();
  return true;
}

bool DeviceLink::IdentifyDevice() {
  CommandBuffer request;
  SendCommand(&request, kCommandIdentify);
  SendCommand(&request, kCommandFlush);

  // A display that holds CTS off is not asked: ClaimDevice finds it missing later.
  if (!IsDevicePresent()) return true;

  // Cleared before every read, so that a read that delivers nothing is never taken for a
  // reply, nor a short one completed by bytes of an earlier answer.
  uint8_t reply[kReplyLength];
  auto readReply = [&] {
    std::memset(reply, 0, sizeof reply);
    Read(reply, kReplyLength);
  };

  readReply();
  for (int retry = 0; reply[0] != kReplyMark && retry < kRetries; ++retry) {
    WaitPumping(clock_, kWaitBeforeRetryMs);
    readReply();
    WaitPumping(clock_, kWaitAfterRetryMs);
  }
  if (reply[0] != kReplyMark) return false;  // the port stays open for what follows

  // The table's third entry repeats the second; only the first two are compared.
  for (int model = 0; model < 2; ++model) {
    if (std::memcmp(reply + 1, state_.modelNames[model], kModelNameLength) == 0) return true;
  }
  Close();
  return false;
}

}  // namespace orvix
