// A slim reader/writer lock taken exclusively for the length of a scope. SRW locks need no
// initialisation call and no destruction, so they can live in objects constructed at load.
#pragma once

#include <windows.h>

namespace orvix::com {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK& lock_;
};

}  // namespace orvix::com
