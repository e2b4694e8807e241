// A lock that the thread holding it may take again: a window message dispatched while a
// call waits (the identification pumps the thread's messages) may call in once more on the
// same thread, and must not wait for itself.
#pragma once

#include <windows.h>

namespace orvix::com {

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { DeleteCriticalSection(&section_); }

  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Holds `lock` for the length of a scope.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& lock) : lock_(lock) { lock_.Enter(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;
  ~CriticalSectionGuard() { lock_.Leave(); }

 private:
  CriticalSection& lock_;
};

}  // namespace orvix::com
