#include <cstring>

#include "common/opos.h"
#include "service/line_display_service.h"

namespace orvix {
namespace {

struct HealthLevel {
  const char* testText;  // shown on the display after initialising it
  const char* result;    // what CheckHealthText reports afterwards
};

constexpr HealthLevel kLevels[] = {
    {"Test", "Internal is health"},
    {"External is health", "External is health"},
    {"CheckHealth~AaBbCcDdEeFfGgHhIiJjKkLlMmNn", "Interactive is health"},
};

}  // namespace

int32_t LineDisplayService::CheckHealth(int32_t level) {
  log_.Write("CheckHealth:0x%x\n", level);
  if (level < opos::kHealthInternal || level > opos::kHealthInteractive) {
    log_.Write("CheckHealth:Level error OPOS_E_ILLEGAL\n");
    return opos::kIllegal;
  }
  // Nothing is read back from the display: the check shows its text and succeeds. The
  // mirror is left alone, so a later scroll redraws the text from before the check.
  const HealthLevel& chosen = kLevels[level - opos::kHealthInternal];
  CommandBuffer buffer;
  link_.SendCommand(&buffer, kCommandInitialise);
  buffer.Append(reinterpret_cast<const uint8_t*>(chosen.testText), std::strlen(chosen.testText));
  link_.SendCommand(&buffer, kCommandFlush);
  state_.checkHealthText = chosen.result;
  return opos::kSuccess;
}

}  // namespace orvix
