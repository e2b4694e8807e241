#pragma once
#include <cstdint>

namespace orvix {

// The serial line settings of the device profile, as OpenService read them. The numbers are
// the platform's own line-setting codes and are passed on untranslated.
struct DeviceProfile {
  char portName[256] = {};  // NUL-terminated
  int32_t baud = 0;
  int32_t parity = 0;
  int32_t stopBit = 0;
  int32_t dataLength = 0;
};

}  // namespace orvix
