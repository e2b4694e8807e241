#include "bare_port.h"

#include <cstring>
#include <initializer_list>

#include "process_probe.h"

namespace orvix::wine_client {

bool BarePort::Open(const char* name) {
  Close();
  file_.reset(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!file_) return false;
  for (Slot& slot : slots_) {
    if (!slot.event) slot.event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    slot.started = false;
  }
  return true;
}

void BarePort::Write(const uint8_t* bytes, size_t count) {
  // The pool is used in turn, so the slot after the last one used is the oldest.
  Slot& slot = slots_[next_];
  next_ = (next_ + 1) % kSlots;
  if (slot.started && !HasOverlappedIoCompleted(&slot.overlapped)) WaitForSingleObject(slot.event.get(), 1000);
  const size_t size = count < kSlotBytes ? count : kSlotBytes;
  std::memcpy(slot.bytes, bytes, size);
  std::memset(&slot.overlapped, 0, sizeof slot.overlapped);
  slot.overlapped.hEvent = slot.event.get();
  slot.started = WriteFile(file_.get(), slot.bytes, static_cast<DWORD>(size), nullptr, &slot.overlapped) ||
                 GetLastError() == ERROR_IO_PENDING;
}

void BarePort::Close() {
  for (Slot& slot : slots_) {
    if (slot.started && !HasOverlappedIoCompleted(&slot.overlapped)) WaitForSingleObject(slot.event.get(), 1000);
    slot.started = false;
  }
  file_.reset();
}

bool BareIdentify(const char* portName, int64_t* elapsedNs) {
  static const uint8_t kRequest[] = {0x02, 0x05, 0x45, 0x4F, 0x03};
  static HANDLE writeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  static HANDLE readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const int64_t start = MonotonicNs();
  const win32::UniqueFile port(CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr));
  if (!port) return false;
  const HANDLE file = port.get();
  OVERLAPPED write = {};
  write.hEvent = writeEvent;
  WriteFile(file, kRequest, sizeof kRequest, nullptr, &write);
  uint8_t reply[8] = {};
  OVERLAPPED read = {};
  read.hEvent = readEvent;
  DWORD got = 0;
  bool complete = ReadFile(file, reply, sizeof reply, nullptr, &read) || GetLastError() == ERROR_IO_PENDING;
  if (complete && WaitForSingleObject(readEvent, 1000) != WAIT_OBJECT_0) {
    CancelIoEx(file, &read);
    complete = false;
  }
  GetOverlappedResult(file, &read, &got, TRUE);
  *elapsedNs = MonotonicNs() - start;
  DWORD written = 0;
  GetOverlappedResult(file, &write, &written, TRUE);
  return complete && got == sizeof reply && reply[0] == 0x07;
}

int64_t BareProfileRead() {
  const int64_t start = MonotonicNs();
  win32::UniqueHkey key;
  char name[256];
  BYTE data[256];
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay", 0, KEY_READ, key.put()) ==
      ERROR_SUCCESS) {
    DWORD values = 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    for (DWORD index = 0; index < values; ++index) {
      DWORD length = sizeof name;
      if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
      DWORD size = sizeof data;
      RegQueryValueExA(key.get(), name, nullptr, nullptr, data, &size);
    }
    key.reset();
  }
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX\\", 0, KEY_READ,
                    key.put()) == ERROR_SUCCESS) {
    for (const char* value : {"DeviceType", "DeviceID", "Option", "COMPORT", "Baud", "Parity", "DataLength", "StopBit"}) {
      DWORD size = sizeof data;
      RegQueryValueExA(key.get(), value, nullptr, nullptr, data, &size);
    }
    key.reset();
  }
  return MonotonicNs() - start;
}

int64_t BareLineSettings(const char* portName) {
  const win32::UniqueFile port(CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr));
  if (!port) return 0;
  const HANDLE file = port.get();
  const int64_t start = MonotonicNs();
  EscapeCommFunction(file, SETRTS);
  EscapeCommFunction(file, SETDTR);
  for (int step = 0; step < 9; ++step) {
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(file, &dcb);
    dcb.BaudRate = 9600;
    dcb.fOutxCtsFlow = 0;
    SetCommState(file, &dcb);
  }
  return MonotonicNs() - start;
}

}  // namespace orvix::wine_client
