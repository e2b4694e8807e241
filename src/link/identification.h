#pragma once
#include "link/device_link.h"

namespace orvix {

// Whether the display is there: the CTS line for the serial port (a closed port has none),
// always true for any other kind of connection.
bool IsDevicePresent(DeviceLink& link);

// Asks the display for its model (request 02 05 45 4F 03, answer 07 and seven letters) and
// compares it with the first two entries of the state's model table. True when it matches,
// and also when the display holds CTS off and is not asked at all; false at once when the
// serial port is not open. A reply that does not start with 07 is read again up to three
// times, with window messages dispatched in between (about 4.4 seconds in all when nothing
// comes); false when none does, with the transport left open. An unknown model closes the
// transport and gives false.
bool IdentifyDevice(DeviceLink& link);

}  // namespace orvix
