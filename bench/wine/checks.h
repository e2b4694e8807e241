// The client's way of reporting: one line per check, "ok ..." or "FAIL ...", and a count
// of failures that becomes the exit code. The harness compares the lines with what it
// expects, so a check that never ran shows as well as one that failed.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace orvix::wine_client {

class Checks {
 public:
  // Reports `what` (printf-style) as passed when `condition` holds.
  __attribute__((format(printf, 3, 4))) bool That(bool condition, const char* what, ...) {
    va_list arguments;
    va_start(arguments, what);
    Report(condition, what, arguments);
    va_end(arguments);
    return condition;
  }

  // Reports an HRESULT comparison, printing both on failure.
  __attribute__((format(printf, 4, 5))) bool Result(HRESULT actual, HRESULT expected, const char* what, ...) {
    va_list arguments;
    va_start(arguments, what);
    const bool passed = actual == expected;
    Report(passed, what, arguments);
    va_end(arguments);
    if (!passed) std::printf("  got 0x%08lx, expected 0x%08lx\n", static_cast<unsigned long>(actual),
                             static_cast<unsigned long>(expected));
    return passed;
  }

  // Reports a number comparison, printing both on failure.
  __attribute__((format(printf, 4, 5))) bool Equal(long actual, long expected, const char* what, ...) {
    va_list arguments;
    va_start(arguments, what);
    const bool passed = actual == expected;
    Report(passed, what, arguments);
    va_end(arguments);
    if (!passed) std::printf("  got %ld, expected %ld\n", actual, expected);
    return passed;
  }

  int failures() const { return failures_; }

  // The closing line, by which the harness knows that every check ran.
  void Summary() const { std::printf("checks: %d passed, %d failed\n", passed_, failures_); }

 private:
  void Report(bool passed, const char* what, va_list arguments) {
    std::fputs(passed ? "ok " : "FAIL ", stdout);
    std::vprintf(what, arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (passed) {
      ++passed_;
    } else {
      ++failures_;
    }
  }

  int passed_ = 0;
  int failures_ = 0;
};

}  // namespace orvix::wine_client
