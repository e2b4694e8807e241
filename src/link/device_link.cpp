#include "link/device_link.h"

namespace orvix {

bool DeviceLink::SendCommand(CommandBuffer* buffer, int32_t id) {
  if (id != kCommandFlush) return AppendCommandBytes(state_, *buffer, id);
  if (buffer->empty()) return true;
  if (state_.connectionKind == kConnectionSerial) {
    serial_.Write(buffer->data(), buffer->size());
  } else if (state_.connectionKind == kConnectionUsb && usb_ != nullptr) {
    usb_->Write(buffer->data(), buffer->size());
  }
  return true;
}

SerialOpening DeviceLink::OpenSerial(const DeviceProfile* profile) {
  profile_ = *profile;
  // The reader NUL-terminates the text; the last byte is guarded anyway.
  profile_.portName[sizeof profile_.portName - 1] = '\0';
  use_ = Use::kOpen;
  return OpenKeptSerial();
}

SerialOpening DeviceLink::OpenKeptSerial() {
  serial_.Close();
  SerialOpening opening = serial_.Open(profile_.portName);
  // Each setting goes on its own even when the port did not open or an earlier one was
  // refused: a driver that refuses one value (a baud rate it lacks) still takes the others,
  // and flow control above all must end up off, or a display that does not drive CTS and
  // DSR would hold back every write.
  serial_.SetBaudRate(static_cast<uint32_t>(profile_.baud));
  serial_.SetParity(static_cast<uint8_t>(profile_.parity));
  serial_.SetByteSize(static_cast<uint8_t>(profile_.dataLength));
  serial_.SetStopBits(static_cast<uint8_t>(profile_.stopBit));
  serial_.DisableCtsFlow();
  serial_.DisableRtsControl();
  serial_.DisableDsrFlow();
  serial_.DisableDtrControl();
  serial_.DisableFlowControl();
  // Last, so that neither bytes from before the open nor those garbled while the line
  // settings changed are taken for the display's answer.
  if (opening == SerialOpening::kOpened && !serial_.DiscardInput()) opening = SerialOpening::kRejected;
  return opening;
}

bool DeviceLink::OpenUsb() {
  if (usb_ == nullptr) return false;
  const bool opened = usb_->Open(state_.usbDeviceSelector, 1);
  use_ = opened ? Use::kOpen : Use::kNone;
  return opened;
}

bool DeviceLink::Close() {
  // Both, since a new OpenService may have switched the kind away from the one still open.
  serial_.Close();
  if (usb_ != nullptr) usb_->Close();
  use_ = Use::kNone;
  return true;
}

void DeviceLink::Release() {
  const bool inUse = use_ != Use::kNone;  // a second release keeps what the first one closed
  Close();
  if (inUse) use_ = Use::kReleased;
}

void DeviceLink::Reopen() {
  if (use_ != Use::kReleased) return;
  if (state_.connectionKind == kConnectionSerial) {
    use_ = Use::kOpen;
    OpenKeptSerial();
  } else if (state_.connectionKind == kConnectionUsb) {
    OpenUsb();
  }
}

bool DeviceLink::Read(uint8_t* destination, int32_t count) {
  if (count < 1) return true;
  if (state_.connectionKind == kConnectionSerial) {
    serial_.Read(destination, static_cast<size_t>(count));
  } else if (state_.connectionKind == kConnectionUsb && usb_ != nullptr) {
    usb_->Read(destination, static_cast<size_t>(count));
  }
  return true;
}

void WaitPumping(platform::Clock& clock, uint32_t milliseconds) {
  // Elapsed time rather than a deadline: a deadline computed near the 49.7-day wrap of the
  // tick count would end the wait at once or, at 0xFFFFFFFF exactly, never.
  const uint32_t start = clock.TickCount();
  uint32_t now;
  do {
    now = clock.TickCount();
    clock.PumpMessages();
  } while (now - start <= milliseconds);
}

}  // namespace orvix
