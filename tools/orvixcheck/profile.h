#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "platform/registry_reader.h"

namespace orvixcheck {

constexpr char kDeviceClassKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay";
constexpr char kProfileKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX";

// The device profile of one registry view, each value taken as ORVIX.DLL takes it at
// OpenService: a value of the wrong type counts as missing, a line setting as the number
// its text begins with.
struct Profile {
  bool found = false;
  std::string progId;  // the profile key's default value
  std::string deviceType;
  std::string comPort;
  int32_t baud = 0;
  int32_t parity = 0;
  int32_t dataLength = 0;
  int32_t stopBit = 0;
  uint32_t deviceId = 0;
  uint32_t option = 0;
  std::map<std::string, std::string> logicalNames;  // the values of the device class key
};

Profile ReadProfile(orvix::platform::RegistryReader& registry);

// The line settings that --scan uses: the profile's, or 9600 8N1 when it has none.
Profile LineSettingsOf(const Profile& profile);

// Why `deviceName` cannot lead to a working display under this profile; empty when it can.
std::string ProfileProblem(const Profile& profile, const std::string& deviceName);

// The profile, one value per line, each line begun with `indent`.
void PrintProfile(std::FILE* out, const Profile& profile, const char* indent);

}  // namespace orvixcheck
