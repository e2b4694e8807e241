#pragma once
#include "platform/usb_bus.h"

namespace orvix::platform::win32 {

// Device interfaces through the device installation functions (SetupDi...), pipe files
// through CreateFileA with overlapped I/O.
class Win32UsbBus : public UsbBus {
 public:
  std::vector<std::string> EnumerateInterfaces(const Guid& interfaceClass) override;
  std::unique_ptr<UsbPipe> OpenPipe(const char* name) override;
};

}  // namespace orvix::platform::win32
