#include "common/opos.h"
#include "link/identification.h"
#include "service/line_display_service.h"

namespace orvix {

int32_t LineDisplayService::ClaimDevice(int32_t timeout) {
  log_.Write("ClaimDevice:0x%x\n", timeout);
  // A till that releases the display while idle claims it back when a sale starts.
  link_.Reopen();
  // The whole timeout is always waited, presence is tested after it. A negative timeout
  // (OPOS_FOREVER among them) would never end, so it waits not at all.
  if (timeout > 0) platform_.clock->Sleep(static_cast<uint32_t>(timeout));
  if (IsDevicePresent(link_)) {
    state_.claimed = 1;
    return opos::kSuccess;
  }
  state_.claimed = 0;
  return opos::kTimeout;
}

int32_t LineDisplayService::ReleaseDevice() {
  log_.Write("======ReleaseDevice======\n");
  link_.Release();
  state_.claimed = 0;
  return opos::kSuccess;
}

int32_t LineDisplayService::CloseService() {
  log_.Write("======CloseService=====\n");
  link_.Close();
  state_.claimed = 0;
  return opos::kSuccess;
}

void LineDisplayService::CloseTransport() { link_.Close(); }

int32_t LineDisplayService::COFreezeEvents(int16_t freeze) {
  // No events are raised, so there is nothing to hold back. The value is logged as it came:
  // late-bound callers pass true as -1, early-bound ones may pass 1.
  log_.Write("COFreezeEvents:0x%x\n", static_cast<int32_t>(freeze));
  return opos::kSuccess;
}

int32_t LineDisplayService::DirectIO(int32_t command) {
  log_.Write("DirectIO:0x%x\n", command);
  return opos::kIllegal;
}

}  // namespace orvix
