// Calls timed against the bounds a caller may rely on.
#pragma once

#include <cstdint>

#include "checks.h"
#include "process_probe.h"

namespace orvix::wine_client {

// How long calls may take at most: a write is never waited for (only a line that has not
// moved for a second holds one up), a read waits at most a second, and an identification
// that gets no answer takes about 4.4 s.
constexpr int64_t kWriteBoundMs = 1500;
constexpr int64_t kOpenBoundMs = 6000;

// Runs `call`, checks that it gave `expected` within `boundMs`, and gives what it took.
template <typename Call>
int64_t ExpectTimed(Checks& checks, const char* what, long expected, int64_t boundMs, Call call) {
  const int64_t start = MonotonicNs();
  const long result = call();
  const int64_t elapsedMs = (MonotonicNs() - start) / 1000000;
  checks.Equal(result, expected, "%s gives %ld", what, expected);
  checks.That(elapsedMs <= boundMs, "%s returns within %lld ms (%lld ms)", what, static_cast<long long>(boundMs),
              static_cast<long long>(elapsedMs));
  return elapsedMs;
}

}  // namespace orvix::wine_client
