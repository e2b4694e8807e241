#include "link/serial_transport.h"

namespace orvix {

bool SerialTransport::Open(const char* portName) {
  if (!port_.Open(portName)) return false;
  port_.Escape(platform::ControlLine::kSetRts);
  port_.Escape(platform::ControlLine::kSetDtr);
  return true;
}

template <typename Change>
bool SerialTransport::Reconfigure(Change change) {
  // The copy keeps its previous contents when the settings cannot be read (closed port).
  port_.GetState(&portState_);
  change(portState_);
  return port_.SetState(portState_);
}

bool SerialTransport::SetBaudRate(uint32_t baud) {
  return Reconfigure([&](platform::CommSettings& s) { s.baudRate = baud; });
}
bool SerialTransport::SetParity(uint8_t parity) {
  return Reconfigure([&](platform::CommSettings& s) { s.parity = parity; });
}
bool SerialTransport::SetByteSize(uint8_t dataBits) {
  return Reconfigure([&](platform::CommSettings& s) { s.byteSize = dataBits; });
}
bool SerialTransport::SetStopBits(uint8_t stopBits) {
  return Reconfigure([&](platform::CommSettings& s) { s.stopBits = stopBits; });
}
bool SerialTransport::DisableCtsFlow() {
  return Reconfigure([](platform::CommSettings& s) { s.outxCtsFlow = false; });
}
bool SerialTransport::DisableRtsControl() {
  return Reconfigure([](platform::CommSettings& s) { s.rtsControl = 0; });
}
bool SerialTransport::DisableDsrFlow() {
  return Reconfigure([](platform::CommSettings& s) { s.outxDsrFlow = false; });
}
bool SerialTransport::DisableDtrControl() {
  return Reconfigure([](platform::CommSettings& s) { s.dtrControl = 0; });
}
bool SerialTransport::DisableFlowControl() {
  return Reconfigure([](platform::CommSettings& s) {
    s.outxCtsFlow = false;
    s.outxDsrFlow = false;
    s.dtrControl = 0;
    s.outX = false;
    s.inX = false;
    s.rtsControl = 0;
  });
}

void SerialTransport::Close() { port_.Close(); }

void SerialTransport::Write(const uint8_t* bytes, size_t count) { port_.Write(bytes, count); }

void SerialTransport::Read(uint8_t* destination, size_t count) {
  transferred_ = static_cast<uint32_t>(port_.Read(destination, count, kReadTimeoutMs));
}

bool SerialTransport::IsClearToSend() {
  uint32_t status = 0;
  if (!port_.GetModemStatus(&status)) return true;
  return (status & platform::kModemCtsOn) != 0;
}

}  // namespace orvix
