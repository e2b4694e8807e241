#include "service/line_display_service.h"

// Placeholder; the property accessors are being written.
namespace orvix {

int32_t LineDisplayService::GetPropertyNumber(int32_t) { return 0; }
std::string LineDisplayService::GetPropertyString(int32_t) { return "EMPTY"; }
void LineDisplayService::SetPropertyNumber(int32_t, int32_t) {}
void LineDisplayService::SetPropertyString(int32_t, const char16_t*) {}

}  // namespace orvix
