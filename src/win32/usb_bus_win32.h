#pragma once
#include "platform/usb_bus.h"

namespace orvix::win32 {

// Device interfaces through the device installation functions (SetupDi...), pipe files
// through CreateFileA with overlapped I/O.
class Win32UsbBus : public platform::UsbBus {
 public:
  std::vector<std::string> EnumerateInterfaces(const platform::Guid& interfaceClass) override;
  std::unique_ptr<platform::UsbPipe> OpenPipe(const char* name) override;
};

}  // namespace orvix::win32
