// orvix_wine_soak FOLDER [CALLS [SEED]]: the long soak against ORVIX.DLL on
// the virtual display, in step with the Wine harness through FOLDER (see harness_link.h).
#pragma once

#include <string>

#include "checks.h"
#include "harness_link.h"

namespace orvix::wine_client {

// `calls` mixed calls, every byte of them checked at the display, and the handle table
// and private memory compared between the first thousand calls and the end.
void RunSoak(Checks& checks, HarnessLink& harness, long calls, unsigned seed);

}  // namespace orvix::wine_client
