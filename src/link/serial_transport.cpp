#include "link/serial_transport.h"

#include "link/port_name.h"

namespace orvix {

SerialOpening SerialTransport::Open(const char* portName) {
  if (IsRefusedPortName(portName)) return SerialOpening::kRefused;
  const platform::PortOpening opening = port_.Open(portName);
  if (opening == platform::PortOpening::kNotSerial) return SerialOpening::kRejected;
  if (opening != platform::PortOpening::kOpened) return SerialOpening::kFailed;
  // Time-outs that another program left on the port could split the identification reply
  // or cut a text short; a driver that will not give them up is not driven at all.
  if (!port_.ClearTimeouts()) {
    port_.Close();
    return SerialOpening::kRejected;
  }
  port_.Escape(platform::ControlLine::kSetRts);
  port_.Escape(platform::ControlLine::kSetDtr);
  return SerialOpening::kOpened;
}

bool SerialTransport::DiscardInput() {
  if (port_.PurgeInput()) return true;
  port_.Close();
  return false;
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
  const platform::ModemStatus status = port_.GetModemStatus();
  return status == platform::ModemStatus::kCtsOn || status == platform::ModemStatus::kNotReported;
}

}  // namespace orvix
