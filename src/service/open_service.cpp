#include "service/line_display_service.h"
#include "service/opos.h"

// Placeholder; OpenService and the device profile are being written.
namespace orvix {

int32_t LineDisplayService::OpenService(const char16_t*, const char16_t*) { return opos::kIllegal; }

}  // namespace orvix
