// The service behind every CPoslinedisplay of the process, with the Win32 objects it works
// through. Built when the DLL is loaded; building it opens no device, key or file.
#pragma once

#include "service/line_display_service.h"

namespace orvix::com {

LineDisplayService& ProcessService();

}  // namespace orvix::com
