#include "com/process_service.h"

#include "com/critical_section.h"
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

// Built before the objects and destroyed after them.
CriticalSection g_serviceLock;
ProcessObjects g_process;
volatile LONG g_liveObjects = 0;

}  // namespace

LineDisplayService& ProcessService() { return g_process.service; }

CriticalSection& ServiceLock() { return g_serviceLock; }

void LogException(const char* method) noexcept {
  try {
    CriticalSectionGuard guard(g_serviceLock);
    g_process.service.log().Write("%s:exception\n", method);
  } catch (...) {
  }
}

LiveObject::LiveObject() { InterlockedIncrement(&g_liveObjects); }

LiveObject::~LiveObject() {
  // Counted down under the lock: an object made meanwhile on another thread cannot open the
  // port before this closes it.
  try {
    CriticalSectionGuard guard(g_serviceLock);
    if (InterlockedDecrement(&g_liveObjects) == 0) g_process.service.CloseTransport();
  } catch (...) {
    LogException("Release");
  }
}

}  // namespace orvix::com
