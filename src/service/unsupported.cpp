#include "common/opos.h"
#include "service/line_display_service.h"

namespace orvix {

int32_t LineDisplayService::Unsupported(const char* method) {
  log_.Write("%s:Aways return OPOS_E_ILLEGAL\n", method);
  return opos::kIllegal;
}

}  // namespace orvix
