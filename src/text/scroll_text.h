#pragma once
#include <cstdint>

#include "common/display_state.h"
#include "diag/debug_log.h"
#include "link/device_link.h"

namespace orvix {

// ScrollText: shifts the mirror by `units` rows (up, down) or columns (left, right, each row
// on its own) and redraws all forty cells in overwrite mode, the cursor at home. Units
// outside 0..2 or 0..20 and unknown directions are logged; strict parameters then refuse the
// call with OPOS_E_ILLEGAL and send nothing, otherwise the units are clamped and an unknown
// direction redraws the unchanged mirror. Results are OPOS codes.
int32_t ScrollText(DisplayState& state, DeviceLink& link, DebugLog& log, int32_t direction, int32_t units);

}  // namespace orvix
