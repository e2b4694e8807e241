#include "win32/serial_port_win32.h"

#include <windows.h>

#include <algorithm>

#include "win32/read_record_win32.h"

namespace orvix::win32 {

using platform::CommSettings;
using platform::ControlLine;
using platform::ModemStatus;
using platform::PortOpening;

static_assert(static_cast<DWORD>(ControlLine::kSetRts) == SETRTS, "control lines carry the platform's codes");
static_assert(static_cast<DWORD>(ControlLine::kSetDtr) == SETDTR, "control lines carry the platform's codes");

namespace {

// A slot keeps the storage of its largest write for the next one, up to this size.
constexpr size_t kKeptWriteCapacity = 4096;

bool ReadPortState(HANDLE file, DCB* dcb) {
  *dcb = DCB{};
  dcb->DCBlength = sizeof(DCB);
  return GetCommState(file, dcb) != FALSE;
}

}  // namespace

struct Win32SerialPort::PortRecord {
  DCB dcb{};
};

struct Win32SerialPort::WriteSlot {
  OVERLAPPED overlapped{};
  UniqueEvent event;
  std::vector<uint8_t> bytes;
  uint64_t order = 0;    // when its latest write was started, among all writes
  bool started = false;  // a write was handed to the driver and may still be on its way

  bool OnItsWay() const { return started && !HasOverlappedIoCompleted(&overlapped); }
};

Win32SerialPort::Win32SerialPort() : reads_([this] { return NewReadRecord(file_.get()); }) {}

Win32SerialPort::~Win32SerialPort() { Close(); }

PortOpening Win32SerialPort::Open(const char* name) {
  Close();
  lastRead_.reset();
  if (name == nullptr) return PortOpening::kFailed;
  // Should the name still lead to a pipe, its server may only identify the caller: it must
  // not act as the till's user.
  file_.reset(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
  if (!file_) return PortOpening::kFailed;
  // Only a communications driver answers GetCommState; a file, a pipe or NUL does not, and
  // is closed before anything is written to it.
  DCB dcb;
  if (!ReadPortState(file_.get(), &dcb)) {
    file_.reset();
    return PortOpening::kNotSerial;
  }
  return PortOpening::kOpened;
}

void Win32SerialPort::Close() {
  lastRead_.reset();
  if (!file_) return;
  FinishWrites();
  reads_.Forget();
  file_.reset();
}

bool Win32SerialPort::IsOpen() const { return static_cast<bool>(file_); }

bool Win32SerialPort::Escape(ControlLine line) {
  if (!file_) return false;
  return EscapeCommFunction(file_.get(), static_cast<DWORD>(line)) != FALSE;
}

bool Win32SerialPort::GetState(CommSettings* settings) {
  DCB dcb;
  if (!file_ || settings == nullptr || !ReadPortState(file_.get(), &dcb)) return false;
  if (!lastRead_) lastRead_ = std::make_unique<PortRecord>();
  lastRead_->dcb = dcb;
  settings->baudRate = dcb.BaudRate;
  settings->parity = dcb.Parity;
  settings->byteSize = dcb.ByteSize;
  settings->stopBits = dcb.StopBits;
  settings->outxCtsFlow = dcb.fOutxCtsFlow != 0;
  settings->outxDsrFlow = dcb.fOutxDsrFlow != 0;
  settings->dtrControl = static_cast<uint8_t>(dcb.fDtrControl);
  settings->rtsControl = static_cast<uint8_t>(dcb.fRtsControl);
  settings->outX = dcb.fOutX != 0;
  settings->inX = dcb.fInX != 0;
  return true;
}

bool Win32SerialPort::SetState(const CommSettings& settings) {
  // The driver's own record is the base, so that everything the settings do not name (the
  // XON/XOFF characters, fBinary, the abort-on-error flag...) stays as the driver keeps it.
  DCB dcb;
  if (!file_) return false;
  if (lastRead_) {
    dcb = lastRead_->dcb;
  } else if (!ReadPortState(file_.get(), &dcb)) {
    return false;
  }
  dcb.BaudRate = settings.baudRate;
  dcb.Parity = settings.parity;
  dcb.ByteSize = settings.byteSize;
  dcb.StopBits = settings.stopBits;
  dcb.fOutxCtsFlow = settings.outxCtsFlow ? 1 : 0;
  dcb.fOutxDsrFlow = settings.outxDsrFlow ? 1 : 0;
  dcb.fDtrControl = settings.dtrControl & 0x3u;
  dcb.fRtsControl = settings.rtsControl & 0x3u;
  dcb.fOutX = settings.outX ? 1 : 0;
  dcb.fInX = settings.inX ? 1 : 0;
  if (SetCommState(file_.get(), &dcb) == FALSE) {
    lastRead_.reset();
    return false;
  }
  if (lastRead_) lastRead_->dcb = dcb;
  return true;
}

ModemStatus Win32SerialPort::GetModemStatus() {
  DWORD bits = 0;
  if (!file_) return ModemStatus::kFailed;
  if (GetCommModemStatus(file_.get(), &bits)) return (bits & MS_CTS_ON) != 0 ? ModemStatus::kCtsOn : ModemStatus::kCtsOff;
  // Drivers without modem lines say so with one of these two; Wine's for a pty is
  // ERROR_NOT_SUPPORTED. A vanished device answers otherwise (Wine: ERROR_NOT_READY for a
  // pty whose other side has gone, ERROR_INVALID_HANDLE for a closed handle).
  const DWORD error = GetLastError();
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ? ModemStatus::kNotReported
                                                                         : ModemStatus::kFailed;
}

bool Win32SerialPort::ClearTimeouts() {
  COMMTIMEOUTS none{};
  return file_ && SetCommTimeouts(file_.get(), &none) != FALSE;
}

bool Win32SerialPort::PurgeInput() {
  return file_ && PurgeComm(file_.get(), PURGE_RXCLEAR | PURGE_RXABORT) != FALSE;
}

Win32SerialPort::WriteSlot* Win32SerialPort::TakeWriteSlot() {
  WriteSlot* oldest = nullptr;
  for (const std::unique_ptr<WriteSlot>& slot : writeSlots_) {
    if (!slot->OnItsWay()) return slot.get();
    if (oldest == nullptr || slot->order < oldest->order) oldest = slot.get();
  }
  if (writeSlots_.size() < kWriteSlots) {
    auto slot = std::make_unique<WriteSlot>();
    slot->event = NewManualResetEvent();
    if (!slot->event) return nullptr;
    writeSlots_.push_back(std::move(slot));
    return writeSlots_.back().get();
  }
  if (oldest == nullptr) return nullptr;
  WaitForSingleObject(oldest->event.get(), kFullPoolWaitMs);
  return oldest->OnItsWay() ? nullptr : oldest;
}

void Win32SerialPort::Write(const uint8_t* bytes, size_t count) {
  if (!file_ || bytes == nullptr || count == 0 || count > MAXDWORD) return;
  WriteSlot* slot = TakeWriteSlot();
  // No slot: the line has not taken a write for a second (or no event could be made), and
  // the bytes are dropped like those of any failed write.
  if (slot == nullptr) return;

  if (slot->bytes.capacity() > kKeptWriteCapacity && count <= kKeptWriteCapacity) slot->bytes = {};
  slot->bytes.assign(bytes, bytes + count);
  slot->overlapped = OVERLAPPED{};
  slot->overlapped.hEvent = slot->event.get();
  slot->order = ++writesStarted_;
  // WriteFile resets the event itself. A write that fails at once (an unplugged adapter)
  // never signals it, so such a slot is free again straight away.
  const BOOL done = WriteFile(file_.get(), slot->bytes.data(), static_cast<DWORD>(count), nullptr, &slot->overlapped);
  slot->started = done != FALSE || GetLastError() == ERROR_IO_PENDING;
}

size_t Win32SerialPort::Read(uint8_t* destination, size_t count, uint32_t timeoutMs) {
  if (!file_ || destination == nullptr || count == 0) return 0;
  return reads_.Read(destination, std::min<size_t>(count, MAXDWORD), timeoutMs);
}

void Win32SerialPort::FinishWrites() {
  WaitForWrites(kCloseWaitMs);
  bool cancelling = false;
  for (const std::unique_ptr<WriteSlot>& slot : writeSlots_) {
    if (!slot->OnItsWay()) continue;
    CancelIoEx(file_.get(), &slot->overlapped);
    cancelling = true;
  }
  if (!cancelling) return;
  WaitForWrites(kCancelWaitMs);
  for (auto it = writeSlots_.begin(); it != writeSlots_.end();) {
    if (!(*it)->OnItsWay()) {
      ++it;
      continue;
    }
    // A driver that ignores the cancellation may still write the record and signal the
    // event after the port is closed: both are left to it for good rather than freed.
    (*it)->event.release();
    it->release();
    it = writeSlots_.erase(it);
  }
}

void Win32SerialPort::WaitForWrites(uint32_t boundMs) {
  const DWORD start = GetTickCount();
  for (const std::unique_ptr<WriteSlot>& slot : writeSlots_) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= boundMs) return;
    if (slot->OnItsWay()) WaitForSingleObject(slot->event.get(), boundMs - elapsed);
  }
}

}  // namespace orvix::win32
