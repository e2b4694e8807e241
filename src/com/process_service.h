// The service behind every CPoslinedisplay of the process, with the Win32 objects it works
// through. Built when the DLL is loaded; building it opens no device, key or file.
#pragma once

#include "service/line_display_service.h"

namespace orvix::com {

class CriticalSection;

LineDisplayService& ProcessService();

// Held by every method of every object for its whole run, waits included: objects made on
// different threads (the class is apartment-threaded) all share the one service, its port
// and its buffers, so a second apartment waits its turn.
CriticalSection& ServiceLock();

// Writes "<method>:exception" to the log when logging is on. Throws nothing: a line that
// cannot be written is lost.
void LogException(const char* method) noexcept;

// Counts the objects of the process while they live. When the last one goes, the transport
// is closed: a Control Object that releases the object after a failed OpenService, without
// CloseService, would otherwise leave the port locked until the process ends.
class LiveObject {
 public:
  LiveObject();
  LiveObject(const LiveObject&) = delete;
  LiveObject& operator=(const LiveObject&) = delete;
  ~LiveObject();
};

}  // namespace orvix::com
