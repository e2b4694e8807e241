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

bool DeviceLink::OpenSerial(const DeviceProfile* profile) {
  serial_.Close();
  // The profile's text is NUL-terminated by the reader; the copy guards the last byte anyway.
  char portName[sizeof profile->portName];
  for (size_t i = 0; i + 1 < sizeof portName; ++i) portName[i] = profile->portName[i];
  portName[sizeof portName - 1] = '\0';
  serial_.Open(portName);
  // Each setting goes on its own even when the port did not open or an earlier one was
  // refused: a driver that refuses one value (a baud rate it lacks) still takes the others,
  // and flow control above all must end up off, or a display that does not drive CTS and
  // DSR would hold back every write.
  serial_.SetBaudRate(static_cast<uint32_t>(profile->baud));
  serial_.SetParity(static_cast<uint8_t>(profile->parity));
  serial_.SetByteSize(static_cast<uint8_t>(profile->dataLength));
  serial_.SetStopBits(static_cast<uint8_t>(profile->stopBit));
  serial_.DisableCtsFlow();
  serial_.DisableRtsControl();
  serial_.DisableDsrFlow();
  serial_.DisableDtrControl();
  serial_.DisableFlowControl();
  return true;
}

bool DeviceLink::OpenUsb() {
  if (usb_ == nullptr) return false;
  return usb_->Open(state_.usbDeviceSelector, 1);
}

bool DeviceLink::Close() {
  if (state_.connectionKind == kConnectionSerial) {
    serial_.Close();
  } else if (state_.connectionKind == kConnectionUsb && usb_ != nullptr) {
    usb_->Close();
  }
  return true;
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
