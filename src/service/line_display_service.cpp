#include "service/line_display_service.h"

namespace orvix {

LineDisplayService::LineDisplayService(const PlatformServices& platform)
    : platform_(platform),
      log_(state_.logEnabled, *platform.logFile),
      serial_(*platform.serialPort),
      link_(state_, serial_, platform.usb, *platform.clock) {}

}  // namespace orvix
