#include "profile.h"

#include "orvixcheck.h"
#include "service/registry_profile.h"

namespace orvixcheck {
namespace {

using orvix::ReadProfileValue;

uint32_t LittleEndian(const orvix::ProfileValue& value, int bytes) {
  uint32_t number = 0;
  for (int index = bytes - 1; index >= 0; --index) number = number << 8 | value.bytes[index];
  return number;
}

const char* ParityName(int32_t parity) {
  static const char* const kNames[] = {"none", "odd", "even", "mark", "space"};
  return parity >= 0 && parity <= 4 ? kNames[parity] : "not a parity";
}

const char* StopBitName(int32_t stopBit) {
  static const char* const kNames[] = {"one", "one and a half", "two"};
  return stopBit >= 0 && stopBit <= 2 ? kNames[stopBit] : "not a stop bit setting";
}

}  // namespace

Profile ReadProfile(orvix::platform::RegistryReader& registry) {
  Profile profile;
  profile.logicalNames = orvix::ReadAliases(registry, kDeviceClassKey);
  const orvix::platform::RegistryKeyPtr opened = registry.OpenLocalMachineKey(kProfileKey);
  profile.found = opened != nullptr;
  if (!profile.found) return profile;
  orvix::platform::RegistryKey* key = opened.get();
  profile.progId = ReadProfileValue(registry, key, "").text();
  profile.deviceType = ReadProfileValue(registry, key, "DeviceType").text();
  profile.comPort = ReadProfileValue(registry, key, "COMPORT").text();
  profile.baud = orvix::DecimalValue(ReadProfileValue(registry, key, "Baud").text());
  profile.parity = orvix::DecimalValue(ReadProfileValue(registry, key, "Parity").text());
  profile.dataLength = orvix::DecimalValue(ReadProfileValue(registry, key, "DataLength").text());
  profile.stopBit = orvix::DecimalValue(ReadProfileValue(registry, key, "StopBit").text());
  // The service object takes every value as stored, whatever its type: the first two bytes
  // of DeviceID, the first four of Option.
  profile.deviceId = LittleEndian(ReadProfileValue(registry, key, "DeviceID"), 2);
  profile.option = LittleEndian(ReadProfileValue(registry, key, "Option"), 4);
  return profile;
}

Profile LineSettingsOf(const Profile& profile) {
  if (profile.found && profile.deviceType == "COM" && profile.baud > 0) return profile;
  Profile settings;
  settings.baud = 9600;
  settings.dataLength = 8;
  return settings;
}

std::string ProfileProblem(const Profile& profile, const std::string& deviceName) {
  if (!profile.found) {
    return std::string("there is no device profile HKLM\\") + kProfileKey + " in the " + ProgramBitness() +
           " registry view: install the package with the profile's properties (INSTALL.txt)";
  }
  if (profile.progId != "OPOS.ORVIX") {
    return "the profile's default value is \"" + profile.progId +
           "\", not OPOS.ORVIX: the Control Object would not find ORVIX.DLL";
  }
  if (deviceName != "ORVIX") {
    const auto name = profile.logicalNames.find(deviceName);
    if (name == profile.logicalNames.end() || name->second != "ORVIX") {
      return "\"" + deviceName + "\" is neither ORVIX nor a logical name whose value is \"ORVIX\"";
    }
  }
  if (profile.deviceType == "COM") {
    if (profile.comPort.empty()) return "DeviceType is COM, but COMPORT is empty";
    return std::string();
  }
  if (profile.deviceType == "USB") {
    if (profile.deviceId != 0x1101 && profile.deviceId != 0x1102 && profile.deviceId != 0x2001) {
      return "DeviceType is USB, but DeviceID is not the number 0x1101, 0x1102 or 0x2001";
    }
    return std::string();
  }
  return "DeviceType is \"" + profile.deviceType + "\": it must be COM or USB, in capitals";
}

void PrintProfile(std::FILE* out, const Profile& profile, const char* indent) {
  if (!profile.found) {
    std::fprintf(out, "%sHKLM\\%s: missing\n", indent, kProfileKey);
  } else {
    std::fprintf(out, "%sHKLM\\%s\n", indent, kProfileKey);
    std::fprintf(out, "%s  (default)   %s\n", indent, profile.progId.c_str());
    std::fprintf(out, "%s  DeviceType  %s\n", indent, profile.deviceType.c_str());
    if (profile.deviceType == "USB") {
      std::fprintf(out, "%s  DeviceID    0x%04lx\n", indent, static_cast<unsigned long>(profile.deviceId));
    } else {
      std::fprintf(out, "%s  COMPORT     %s\n", indent, profile.comPort.c_str());
      std::fprintf(out, "%s  line        %ld bits/s, %ld data bits, parity %ld (%s), stop bits %ld (%s)\n", indent,
                   static_cast<long>(profile.baud), static_cast<long>(profile.dataLength),
                   static_cast<long>(profile.parity), ParityName(profile.parity), static_cast<long>(profile.stopBit),
                   StopBitName(profile.stopBit));
    }
    std::fprintf(out, "%s  Option      0x%lx (strict %s, log %s, rows and columns from %s)\n", indent,
                 static_cast<unsigned long>(profile.option), profile.option & 0x1 ? "on" : "off",
                 profile.option & 0x10 ? "on" : "off", profile.option & 0x100 ? "0" : "1");
  }
  std::fprintf(out, "%sLogical names:", indent);
  bool any = false;
  for (const auto& name : profile.logicalNames) {
    if (name.second != "ORVIX") continue;
    std::fprintf(out, " %s", name.first.c_str());
    any = true;
  }
  std::fprintf(out, "%s\n", any ? "" : " none");
}

}  // namespace orvixcheck
