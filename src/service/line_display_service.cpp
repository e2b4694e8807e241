#include "service/line_display_service.h"

namespace orvix {

LineDisplayService::LineDisplayService(const PlatformServices& platform)
    : platform_(platform),
      log_(state_.logEnabled, *platform.logFile),
      serial_(*platform.serialPort),
      usb_(platform.usbBus != nullptr
               ? std::make_unique<UsbDisplayTransport>(
                     *platform.usbBus, platform.messageBox,
                     [this](const char* text) { log_.Write("%s:message box not shown, no one can see it\n", text); })
               : nullptr),
      link_(state_, serial_, usb_.get(), *platform.clock) {}

}  // namespace orvix
