// OpenService fed arbitrary device profiles: every profile value and every alias with any
// type, size and contents, keys that are missing or cannot be read, and a display that
// answers anything or nothing. The clock is a fake, so the identification's waits cost
// nothing.
//
// Input: two flags bytes (below); the aliases (a count byte, then per alias a 16-bit name
// length, the name and a value); the eight profile values in the order OpenService reads
// them (each a presence byte, then a value); the device name when flags2 asks for one of
// its own (a length byte and UTF-16 units); the serial replies (a count byte, then per reply
// a length byte, the bytes and a time-out byte); with flags2 bit 3 two USB interfaces (a
// class byte, a length byte and the path) and the USB replies. A value is a type byte, a
// 16-bit length and the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_input.h"
#include "service/registry_profile.h"
#include "service_rig.h"

namespace {

using orvix::fuzz::FuzzInput;
using orvix::platform::RegistryReader;
using orvix::testing::kClassKey;
using orvix::testing::kProfileKey;
using orvix::testing::ServiceRig;

constexpr const char* kProfileValueNames[] = {"DeviceType", "DeviceID",   "Option",     "COMPORT",
                                              "Baud",       "Parity",     "DataLength", "StopBit"};
constexpr int kOption = 2;
constexpr int kComPort = 3;
constexpr int kFirstLineSetting = 4;
constexpr int kValueCount = 8;

constexpr orvix::platform::Guid kUsbPrintingClass = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr orvix::platform::Guid kUsbDeviceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

struct StoredValue {
  bool present = false;
  uint32_t type = 0;
  std::string data;
};

StoredValue ReadValue(FuzzInput& input) {
  static const uint32_t kTypes[] = {RegistryReader::kTypeString, RegistryReader::kTypeExpandString,
                                    RegistryReader::kTypeBinary,  RegistryReader::kTypeDword,
                                    0 /* REG_NONE */,            7 /* REG_MULTI_SZ */,
                                    11 /* REG_QWORD */};
  StoredValue value;
  value.present = true;
  const uint8_t typeChoice = input.Byte();
  value.type = typeChoice < 0xF0 ? kTypes[typeChoice % (sizeof kTypes / sizeof kTypes[0])] : input.U32();
  value.data = input.Bytes(input.U16() % 320);  // some do not fit the 256-byte buffer
  return value;
}

// What the profile reader may take of a value: the stored bytes when the type is the one
// asked for and the data fits, zeros otherwise; never anything left by an earlier value.
std::string UsableBytes(const StoredValue& value, bool text) {
  const bool typeFits = text ? value.type == RegistryReader::kTypeString || value.type == RegistryReader::kTypeExpandString
                             : value.type == RegistryReader::kTypeDword || value.type == RegistryReader::kTypeBinary;
  if (!value.present || !typeFits || value.data.size() > orvix::kProfileValueBytes) return {};
  return value.data;
}

std::string TextOf(const StoredValue& value) {
  std::string bytes = UsableBytes(value, true);
  bytes = bytes.substr(0, bytes.find('\0'));
  return bytes.substr(0, orvix::kProfileValueBytes - 1);
}

// The C runtime's reading of a decimal text, brought into the 32-bit range.
int32_t ReferenceDecimal(const std::string& text) {
  const long long number = std::strtoll(text.c_str(), nullptr, 10);
  if (number < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (number > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(number);
}

std::u16string Widened(const std::string& bytes) {
  std::u16string text;
  for (char c : bytes) text.push_back(static_cast<unsigned char>(c));
  return text.substr(0, text.find(u'\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  ServiceRig rig;
  const uint8_t flags = input.Byte();
  const uint8_t flags2 = input.Byte();

  const bool classKeyExists = (flags & 0x01) != 0;
  if (classKeyExists) {
    auto& key = rig.registry.KeyAt(kClassKey);
    key.unopenable = (flags & 0x02) != 0;
    key.countUnreadable = (flags & 0x04) != 0;
    if (flags & 0x08) key.reportedCount = input.Byte() % 12;
  }
  std::string firstAliasName;
  const int aliases = input.Byte() % 6;
  for (int i = 0; i < aliases; ++i) {
    std::string name = input.Bytes(input.U16() % 300);  // some too long to enumerate
    const StoredValue value = ReadValue(input);
    if (i == 0) firstAliasName = name;
    if (classKeyExists) rig.registry.SetText(kClassKey, name, value.data, false, value.type);
  }

  const bool profileKeyExists = (flags & 0x10) == 0;
  if (profileKeyExists) rig.registry.KeyAt(kProfileKey).unopenable = (flags & 0x20) != 0;
  StoredValue values[kValueCount];
  for (int i = 0; i < kValueCount; ++i) {
    if (input.Byte() == 0) continue;
    values[i] = ReadValue(input);
    if (profileKeyExists) rig.registry.SetText(kProfileKey, kProfileValueNames[i], values[i].data, false, values[i].type);
  }
  const bool profileReadable = profileKeyExists && (flags & 0x20) == 0;

  std::u16string deviceName = u"ORVIX";
  const char16_t* deviceNameArgument = deviceName.c_str();
  switch ((flags2 >> 1) & 0x3) {
    case 1:
      deviceName = Widened(firstAliasName);
      deviceNameArgument = deviceName.c_str();
      break;
    case 2: {
      deviceName.clear();
      for (int length = input.Byte(); length > 0; --length) deviceName.push_back(input.U16());
      deviceNameArgument = deviceName.c_str();
      break;
    }
    case 3:
      deviceNameArgument = nullptr;
      break;
  }

  rig.port.openSucceeds = (flags & 0x40) == 0;
  rig.port.modemStatus = (flags & 0x80) != 0 ? 0 : orvix::platform::kModemCtsOn;
  rig.port.modemStatusReadable = (flags2 & 0x01) == 0;
  for (int replies = input.Byte() % 5; replies > 0; --replies) {
    const std::string bytes = input.Bytes(input.Byte() % 12);
    rig.port.replies.push_back({orvix::testing::Bytes(bytes.begin(), bytes.end()), (input.Byte() & 1) != 0});
  }
  if (flags2 & 0x08) {
    for (int i = 0; i < 2; ++i) {
      const auto& interfaceClass = (input.Byte() & 1) != 0 ? kUsbPrintingClass : kUsbDeviceClass;
      rig.usbBus.AddInterface(interfaceClass, input.Bytes(input.Byte()));
    }
    for (int replies = input.Byte() % 4; replies > 0; --replies) {
      const std::string bytes = input.Bytes(input.Byte() % 12);
      rig.usbBus.QueueReply(orvix::testing::Bytes(bytes.begin(), bytes.end()));
    }
  }

  const int32_t result = rig.service.OpenService(u"LineDisplay", deviceNameArgument);
  const orvix::DisplayState& state = rig.state();

  FUZZ_CHECK(result == orvix::opos::kSuccess || result == orvix::opos::kIllegal);
  // Every key opened is closed once.
  FUZZ_CHECK(rig.registry.openKeyCount() == 0);
  FUZZ_CHECK(rig.registry.badCloses == 0);

  const int32_t kind = state.connectionKind;
  FUZZ_CHECK(kind == 0 || kind == orvix::kConnectionSerial || kind == orvix::kConnectionUsb ||
             kind == orvix::kConnectionOther);
  FUZZ_CHECK(state.claimed == 0 && state.deviceEnabled == 0);
  FUZZ_CHECK(state.cursorRow == 0 && state.cursorColumn == 0);
  for (uint8_t cell : state.textCells) FUZZ_CHECK(cell == ' ');

  // The options come from the Option value alone, never from the bytes of DeviceID before it.
  std::string optionBytes = profileReadable ? UsableBytes(values[kOption], false) : std::string();
  optionBytes.resize(4, '\0');
  uint32_t option = 0;
  for (int i = 3; i >= 0; --i) option = option << 8 | static_cast<uint8_t>(optionBytes[i]);
  FUZZ_CHECK(state.strictParameters == ((option & 0x1) != 0 ? 1 : 0));
  FUZZ_CHECK(state.logEnabled == ((option & 0x10) != 0 ? 1 : 0));
  FUZZ_CHECK(state.zeroBasedCoordinates == ((option & 0x100) != 0 ? 1 : 0));

  // The port opened is the COMPORT text, cut at its end and inside the buffer.
  if (kind == orvix::kConnectionSerial) {
    FUZZ_CHECK(!rig.port.openedNames.empty());
    const std::string expected = profileReadable ? TextOf(values[kComPort]) : std::string();
    FUZZ_CHECK(rig.port.openedNames.back() == expected);
  }

  for (int i = kFirstLineSetting; i < kValueCount; ++i) {
    const std::string text = profileReadable ? TextOf(values[i]) : std::string();
    FUZZ_CHECK(orvix::DecimalValue(text.c_str()) == ReferenceDecimal(text));
  }

  // Whatever the opening found, the service goes on working.
  FUZZ_CHECK(rig.service.DisplayText(u"AB", orvix::opos::kDisplayNormal) == orvix::opos::kSuccess);
  FUZZ_CHECK(state.textCells[0] == 'A' && state.textCells[1] == 'B');
  FUZZ_CHECK(rig.service.CloseService() == orvix::opos::kSuccess);
  return 0;
}
