// The search for the display: every serial port that Windows lists is asked for the
// display's model, with the identification request that ORVIX.DLL sends at every open.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orvixcheck.h"
#include "win32/unique_any.h"
#include "profile.h"
#include "registry_view.h"

namespace orvixcheck {
namespace {

using orvix::win32::NewManualResetEvent;
using orvix::win32::UniqueEvent;
using orvix::win32::UniqueFile;

constexpr unsigned char kIdentify[] = {0x02, 0x05, 0x45, 0x4F, 0x03};
// The display answers with 07 and its model name of seven characters.
constexpr unsigned char kReplyMark = 0x07;
constexpr DWORD kReplyLength = 8;
constexpr DWORD kWaitMs = 1000;

struct Answer {
  std::string text;   // what to print after the port's name
  bool isDisplay = false;
};

// The port names that Windows lists under HARDWARE\DEVICEMAP\SERIALCOMM, COM1 before COM10.
std::vector<std::string> SerialPorts(const RegistryView& registry) {
  std::vector<std::string> ports;
  for (const auto& value : registry.Values(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM")) {
    ports.push_back(value.second);
  }
  auto number = [](const std::string& port) { return std::atoi(port.c_str() + std::min<size_t>(3, port.size())); };
  std::sort(ports.begin(), ports.end(), [&](const std::string& a, const std::string& b) {
    return number(a) != number(b) ? number(a) < number(b) : a < b;
  });
  return ports;
}

// Waits for an overlapped transfer for at most kWaitMs and gives the bytes moved; a transfer
// that has not ended by then is cancelled, and waited for, before the buffer goes away.
DWORD Finish(HANDLE port, OVERLAPPED* transfer, BOOL started) {
  DWORD moved = 0;
  if (!started && GetLastError() != ERROR_IO_PENDING) return 0;
  if (WaitForSingleObject(transfer->hEvent, kWaitMs) != WAIT_OBJECT_0) CancelIo(port);
  if (!GetOverlappedResult(port, transfer, &moved, TRUE)) return 0;
  return moved;
}

Answer Ask(const std::string& portName, const Profile& settings) {
  const std::string device = "\\\\.\\" + portName;
  UniqueFile port(CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr));
  if (!port) {
    const DWORD error = GetLastError();
    return {error == ERROR_ACCESS_DENIED ? "cannot be opened: another program holds it"
                                         : "cannot be opened (error " + std::to_string(error) + ")"};
  }
  DCB line = {};
  line.DCBlength = sizeof line;
  bool settingsTaken = GetCommState(port.get(), &line) != 0;
  line.BaudRate = static_cast<DWORD>(settings.baud);
  line.ByteSize = static_cast<BYTE>(settings.dataLength);
  line.Parity = static_cast<BYTE>(settings.parity);
  line.StopBits = static_cast<BYTE>(settings.stopBit);
  line.fBinary = TRUE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDtrControl = DTR_CONTROL_ENABLE;
  line.fRtsControl = RTS_CONTROL_ENABLE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  settingsTaken = settingsTaken && SetCommState(port.get(), &line) != 0;
  // Reads wait for all the bytes asked for; the wait below bounds them.
  COMMTIMEOUTS timeouts = {};
  SetCommTimeouts(port.get(), &timeouts);
  PurgeComm(port.get(), PURGE_RXCLEAR | PURGE_TXCLEAR);

  UniqueEvent event = NewManualResetEvent();
  OVERLAPPED write = {};
  write.hEvent = event.get();
  if (Finish(port.get(), &write, WriteFile(port.get(), kIdentify, sizeof kIdentify, nullptr, &write)) !=
      sizeof kIdentify) {
    return {"the request could not be written"};
  }
  unsigned char reply[kReplyLength] = {};
  OVERLAPPED read = {};
  read.hEvent = event.get();
  ResetEvent(event.get());
  const DWORD received = Finish(port.get(), &read, ReadFile(port.get(), reply, kReplyLength, nullptr, &read));

  const std::string refused = settingsTaken ? "" : " (the port refused the line settings)";
  if (received == 0) return {"no answer within " + std::to_string(kWaitMs) + " ms" + refused};
  std::string model;
  for (DWORD index = 1; index < received; ++index) {
    model += reply[index] >= 0x20 && reply[index] < 0x7F ? static_cast<char>(reply[index]) : '?';
  }
  if (received == kReplyLength && reply[0] == kReplyMark && (model == "KVD5100" || model == "KVD5130")) {
    return {model + ": this is the pole display", true};
  }
  char first[8];
  std::snprintf(first, sizeof first, "%02X", reply[0]);
  return {"answered " + std::to_string(received) + " bytes, " + first + " \"" + model +
          "\": not a KVD5100 or KVD5130" + refused};
}

}  // namespace

int RunScan() {
  std::printf("WARNING: --scan writes the display's identification request (5 bytes: 02 05 45 4F 03) to\n"
              "every serial port listed below. A device other than the pole display on one of them may\n"
              "take those bytes as data. Ports held by another program are left alone.\n\n");
  RegistryView registry(0);
  const Profile profile = ReadProfile(registry.reader());
  const Profile settings = LineSettingsOf(profile);
  const std::vector<std::string> ports = SerialPorts(registry);
  std::printf("Line settings: %ld bits/s, %ld data bits, parity %ld, stop bits %ld (%s)\n",
              static_cast<long>(settings.baud), static_cast<long>(settings.dataLength),
              static_cast<long>(settings.parity), static_cast<long>(settings.stopBit),
              settings.found ? "the profile's" : "9600 8N1: the profile names none");
  std::printf("Serial ports (HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM): %zu\n", ports.size());

  std::vector<std::string> found;
  for (const std::string& port : ports) {
    std::printf("  %-8s ", port.c_str());
    std::fflush(stdout);
    const Answer answer = Ask(port, settings);
    std::printf("%s\n", answer.text.c_str());
    if (answer.isDisplay) found.push_back(port);
  }

  std::printf("\n");
  if (found.empty()) {
    std::printf("RESULT: no port answered as a KVD5100 or KVD5130.\n");
    return 1;
  }
  for (const std::string& port : found) {
    const std::string name = port.size() > 4 ? "\\\\.\\" + port : port;
    std::printf("RESULT: the pole display answers on %s (COMPORT %s). The profile's COMPORT is %s.\n", port.c_str(),
                name.c_str(), profile.comPort.empty() ? "empty" : profile.comPort.c_str());
  }
  return 0;
}

}  // namespace orvixcheck
