#pragma once
#include <memory>

#include "platform/read_record.h"
#include "win32/unique_any.h"

namespace orvix::win32 {

// A read record (OVERLAPPED, its own manual-reset event and buffer) for `file`, which is open
// for overlapped I/O and must stay open while the record is used. Null when no event can be
// made.
std::unique_ptr<platform::ReadRecord> NewReadRecord(HANDLE file);

}  // namespace orvix::win32
