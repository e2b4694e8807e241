// orvix_wine_stress MODE FOLDER [ARGUMENTS]: long and hostile sessions against ORVIX.DLL on
// the virtual display, in step with the Wine harness through FOLDER (see harness_link.h).
#pragma once

#include <string>

#include "checks.h"
#include "harness_link.h"

namespace orvix::wine_client {

// `calls` mixed calls, every byte of them checked at the display, and the handle table
// and private memory compared between the first thousand calls and the end.
void RunSoak(Checks& checks, HarnessLink& harness, long calls, unsigned seed);

// The display's line dropped between calls and in the middle of a stream of writes.
void RunLineDrop(Checks& checks, HarnessLink& harness);

// Window messages that call into the object while OpenService waits for the display.
void RunReentry(Checks& checks, HarnessLink& harness);

}  // namespace orvix::wine_client
