#include "link/identification.h"

#include <cstring>

namespace orvix {
namespace {

constexpr uint8_t kReplyMark = 0x07;
constexpr int kReplyLength = 1 + kModelNameLength;
constexpr int kRetries = 3;
constexpr uint32_t kWaitBeforeRetryMs = 100;
constexpr uint32_t kWaitAfterRetryMs = 20;

}  // namespace

bool IsDevicePresent(DeviceLink& link) {
  if (link.state().connectionKind == kConnectionSerial) return link.serial().IsClearToSend();
  return true;
}

bool IdentifyDevice(DeviceLink& link) {
  CommandBuffer request;
  link.SendCommand(&request, kCommandIdentify);
  link.SendCommand(&request, kCommandFlush);

  // A port that did not open has no display to ask; waiting for replies would not change
  // the outcome.
  if (link.state().connectionKind == kConnectionSerial && !link.serial().IsOpen()) return false;
  // A display that holds CTS off is not asked: ClaimDevice finds it missing later.
  if (!IsDevicePresent(link)) return true;

  // Cleared before every read, so that a read that delivers nothing is never taken for a
  // reply, nor a short one completed by bytes of an earlier answer.
  uint8_t reply[kReplyLength];
  auto readReply = [&] {
    std::memset(reply, 0, sizeof reply);
    link.Read(reply, kReplyLength);
  };

  readReply();
  for (int retry = 0; reply[0] != kReplyMark && retry < kRetries; ++retry) {
    WaitPumping(link.clock(), kWaitBeforeRetryMs);
    readReply();
    WaitPumping(link.clock(), kWaitAfterRetryMs);
  }
  if (reply[0] != kReplyMark) return false;  // the port stays open for what follows

  // The table's third entry repeats the second; only the first two are compared.
  for (int model = 0; model < 2; ++model) {
    if (std::memcmp(reply + 1, link.state().modelNames[model], kModelNameLength) == 0) return true;
  }
  link.Close();
  return false;
}

}  // namespace orvix
