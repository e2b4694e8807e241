#include <map>
#include <string>

#include "common/opos.h"
#include "link/command_buffer.h"
#include "link/device_profile.h"
#include "link/identification.h"
#include "service/line_display_service.h"
#include "service/registry_profile.h"
#include "text/bstr_to_multibyte.h"

namespace orvix {
namespace {

// The component serves this one profile; other names reach it only through an alias.
constexpr char kProfileName[] = "ORVIX";
constexpr char kDeviceClassKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay";
// Always this key, whichever name led to it: an alias only chooses this service object, so
// every logical name of the display reads the same settings. The closing backslash does no
// harm; the registry ignores it.
constexpr char kProfileKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX\\";

constexpr uint32_t kOptionStrictParameters = 0x1;
constexpr uint32_t kOptionLog = 0x10;
constexpr uint32_t kOptionZeroBasedCoordinates = 0x100;

int32_t ConnectionKindOf(const std::map<std::string, int32_t>& deviceTypes, const char* deviceType) {
  const auto found = deviceTypes.find(deviceType);
  return found == deviceTypes.end() ? 0 : found->second;
}

// The two bytes each count as signed: an installer's DeviceID 0x80 gives -128, not 128.
int32_t UsbSelectorOf(const ProfileValue& deviceId) {
  return static_cast<int8_t>(deviceId.bytes[0]) + 256 * static_cast<int8_t>(deviceId.bytes[1]);
}

uint32_t LittleEndian32(const ProfileValue& value) {
  return static_cast<uint32_t>(value.bytes[0]) | static_cast<uint32_t>(value.bytes[1]) << 8 |
         static_cast<uint32_t>(value.bytes[2]) << 16 | static_cast<uint32_t>(value.bytes[3]) << 24;
}

}  // namespace

int32_t LineDisplayService::OpenService(const char16_t* deviceClass, const char16_t* deviceName) {
  int32_t result = opos::kSuccess;
  const std::string classText = BstrToMultibyte(*platform_.ansi, deviceClass);
  const std::string nameText = BstrToMultibyte(*platform_.ansi, deviceName);

  // The link is not replaced: closing it makes it new. What is open goes first, whatever
  // its kind, or a profile switched from COM to USB would leave the port held.
  ResetDisplayState(state_);
  link_.Close();

  const std::map<std::string, int32_t> deviceTypes = {
      {"COM", kConnectionSerial}, {"USB", kConnectionUsb}, {"Other", kConnectionOther}};

  const std::map<std::string, std::string> aliases = ReadAliases(*platform_.registry, kDeviceClassKey);
  std::string profileName = nameText;
  const auto alias = aliases.find(nameText);
  if (alias != aliases.end() && alias->second == kProfileName) profileName = kProfileName;
  // A name that leads nowhere still opens the ORVIX profile and the display below; only the
  // result tells the caller.
  if (profileName != kProfileName) result = opos::kIllegal;

  DeviceProfile profile;
  {
    // Unreadable values (missing or larger than the buffer) count as empty: no transport for
    // DeviceType, 0 for the numbers and an empty port name. Readable ones are taken as
    // stored, whatever their type: a DeviceType list whose first text is COM opens the port,
    // an Option text gives its first four bytes, and a Baud stored as a number its bytes.
    const platform::RegistryKeyPtr key = platform_.registry->OpenLocalMachineKey(kProfileKey);
    auto read = [&](const char* name) { return ReadProfileValue(*platform_.registry, key.get(), name); };
    state_.connectionKind = ConnectionKindOf(deviceTypes, read("DeviceType").text());
    // A DeviceID stored as text gives the codes of its first two characters, which name no
    // device.
    state_.usbDeviceSelector = UsbSelectorOf(read("DeviceID"));
    const uint32_t option = LittleEndian32(read("Option"));
    if (option & kOptionStrictParameters) state_.strictParameters = 1;
    if (option & kOptionLog) state_.logEnabled = 1;
    if (option & kOptionZeroBasedCoordinates) state_.zeroBasedCoordinates = 1;

    // Only now does the log know whether it is on for this opening.
    log_.Write("OpenService:\nDeviceClass:%s,DeviceName:%s\n", classText.c_str(), nameText.c_str());

    const ProfileValue port = read("COMPORT");
    static_assert(sizeof profile.portName == sizeof port.bytes, "the port name takes the whole value");
    for (size_t i = 0; i < sizeof profile.portName; ++i) profile.portName[i] = static_cast<char>(port.bytes[i]);
    profile.baud = DecimalValue(read("Baud").text());
    profile.parity = DecimalValue(read("Parity").text());
    profile.dataLength = DecimalValue(read("DataLength").text());
    profile.stopBit = DecimalValue(read("StopBit").text());
  }

  // Whether the transport opened is judged by the identification, not here.
  if (state_.connectionKind == kConnectionUsb) {
    link_.OpenUsb();
  } else if (state_.connectionKind == kConnectionSerial) {
    // Either goes on as a port that did not open.
    const SerialOpening opening = link_.OpenSerial(&profile);
    if (opening == SerialOpening::kRefused) {
      log_.Write("OpenService:COMPORT refused, not a serial port name:OPOS_E_ILLEGAL\n");
    } else if (opening == SerialOpening::kRejected) {
      log_.Write("OpenService:COMPORT rejected, not a serial device:OPOS_E_ILLEGAL\n");
    }
  }
  if (!IdentifyDevice(link_)) result = opos::kIllegal;

  // Initialise and clear whatever the identification found, so that the blank display and
  // the home cursor match the reset mirror.
  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandInitialise);
  link_.SendCommand(&buffer, kCommandClear);
  link_.SendCommand(&buffer, kCommandFlush);
  return result;
}

}  // namespace orvix
