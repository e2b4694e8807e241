#pragma once

#include "platform/ansi_codec.h"
#include "platform/clock.h"
#include "platform/log_file.h"
#include "platform/message_box.h"
#include "platform/registry_reader.h"
#include "platform/serial_port.h"
#include "platform/usb_bus.h"

namespace orvix {

// What the service object needs of the operating system. The DLL fills it with the Win32
// implementations; tests fill it with fakes. Nothing here is owned by the service.
struct PlatformServices {
  platform::RegistryReader* registry = nullptr;
  platform::SerialPort* serialPort = nullptr;
  platform::Clock* clock = nullptr;
  platform::AnsiCodec* ansi = nullptr;
  platform::LogFile* logFile = nullptr;
  platform::MessageBox* messageBox = nullptr;
  platform::UsbBus* usbBus = nullptr;  // null: USB profiles reach no transport
};

}  // namespace orvix
