#include "com/process_service.h"

#include "platform/stdio_log_file.h"
#include "win32/ansi_codec_win32.h"
#include "win32/clock_win32.h"
#include "win32/message_box_win32.h"
#include "win32/registry_reader_win32.h"
#include "win32/serial_port_win32.h"
#include "win32/usb_bus_win32.h"

namespace orvix::com {
namespace {

// The Win32 objects and the service, in the order they are built. None of the
// constructors reaches a device, the registry or a file.
struct ProcessObjects {
  win32::Win32RegistryReader registry;
  win32::Win32SerialPort serialPort;
  win32::Win32Clock clock;
  win32::Win32AnsiCodec ansi;
  // Relative to the current directory of the moment: the log lands beside the POS
  // application (its start-in folder), where the troubleshooting guide sends people to look,
  // and needs no folder of its own that a locked-down till may not let it write to.
  platform::StdioLogFile logFile{".\\OPOSDebug.txt"};
  win32::Win32MessageBox messageBox;
  win32::Win32UsbBus usbBus;
  LineDisplayService service{Services()};

  PlatformServices Services() {
    PlatformServices services;
    services.registry = &registry;
    services.serialPort = &serialPort;
    services.clock = &clock;
    services.ansi = &ansi;
    services.logFile = &logFile;
    services.messageBox = &messageBox;
    services.usbBus = &usbBus;
    return services;
  }
};

ProcessObjects g_process;

}  // namespace

LineDisplayService& ProcessService() { return g_process.service; }

}  // namespace orvix::com
