// The display's line goes away in the middle of a session (the cable pulled, the USB-serial
// adapter gone): between calls, and while a stream of writes is on its way. Every call must
// come back within its bounds with the results a lost display gives, and the next
// OpenService must work once the display is back.
#include <algorithm>
#include <cstdio>

#include "expected_display.h"
#include "late_bound_display.h"
#include "stress_modes.h"
#include "test_text.h"
#include "timed_call.h"

namespace orvix::wine_client {
namespace {

constexpr LONG kSuccess = 0;
constexpr LONG kIllegal = 106;
// Calls made once the harness says the line is gone, and how long they may go on.
constexpr int kCallsAfterDrop = 200;
constexpr int64_t kStreamAfterDropMs = 5000;
// How long the stream runs at most while waiting for the harness to drop the line.
constexpr int64_t kStreamLimitMs = 60000;

void Opened(std::vector<uint8_t>& bytes, ExpectedDisplay& expected) {
  const auto& identify = ExpectedDisplay::IdentifyRequest();
  const auto& initialise = ExpectedDisplay::InitialiseAndClear();
  bytes.insert(bytes.end(), identify.begin(), identify.end());
  bytes.insert(bytes.end(), initialise.begin(), initialise.end());
  expected.Opened();
}

// Every method that reaches the port, made while the line is gone.
void CallsWithoutLine(Checks& checks, LateBoundDisplay& display) {
  TestText lost("LOST");
  ExpectTimed(checks, "DisplayText without the line", kSuccess, kWriteBoundMs,
              [&] { return display.DisplayText(lost.wide(), 0); });
  ExpectTimed(checks, "DisplayTextAt without the line", kSuccess, kWriteBoundMs,
              [&] { return display.DisplayTextAt(2, 1, lost.wide(), 1); });
  ExpectTimed(checks, "ClearText without the line", kSuccess, kWriteBoundMs, [&] { return display.ClearText(); });
  ExpectTimed(checks, "ScrollText without the line", kSuccess, kWriteBoundMs, [&] { return display.ScrollText(3, 2); });
  ExpectTimed(checks, "SetPropertyNumber(brightness) without the line", 1, kWriteBoundMs,
              [&] { return display.SetPropertyNumber(5007, 2) ? 1L : 0L; });
  ExpectTimed(checks, "CheckHealth(1) without the line", kSuccess, kWriteBoundMs, [&] { return display.CheckHealth(1); });
  std::wstring health;
  ExpectTimed(checks, "GetPropertyString(CheckHealthText) without the line", 1, kWriteBoundMs, [&] {
    return display.GetPropertyString(1000001, &health) && health == L"Interactive is health" ? 1L : 0L;
  });
  ExpectTimed(checks, "GetPropertyNumber(Claimed) without the line", 1, kWriteBoundMs,
              [&] { return display.GetPropertyNumber(1); });
  // A port whose modem lines cannot be read counts as a present display.
  ExpectTimed(checks, "ClaimDevice(0) without the line", kSuccess, kWriteBoundMs,
              [&] { return display.ClaimDevice(0); });
  ExpectTimed(checks, "ReleaseDevice without the line", kSuccess, kWriteBoundMs,
              [&] { return display.ReleaseDevice(); });
  // The port cannot be opened: nothing answers, and the retries' waits are all it costs.
  ExpectTimed(checks, "OpenService without the line", kIllegal, kOpenBoundMs,
              [&] { return display.OpenService(L"ORVIX"); });
  ExpectTimed(checks, "DisplayText after the failed open", kSuccess, kWriteBoundMs,
              [&] { return display.DisplayText(lost.wide(), 0); });
  ExpectTimed(checks, "CloseService without the line", kSuccess, kWriteBoundMs,
              [&] { return display.CloseService(); });
}

// Writes DisplayText after DisplayText until the harness has dropped the line, then goes on
// for a while. Gives the longest call.
int64_t StreamThroughDrop(Checks& checks, LateBoundDisplay& display, HarnessLink& harness,
                          ExpectedDisplay& expected) {
  int64_t longestNs = 0;
  long failures = 0;
  long calls = 0;
  int afterDrop = -1;
  int64_t dropSeenAt = 0;
  const int64_t start = MonotonicNs();
  TestText text;
  while (afterDrop < kCallsAfterDrop) {
    const int64_t now = MonotonicNs();
    if (afterDrop < 0 && harness.Flagged("dropped")) {
      afterDrop = 0;
      dropSeenAt = now;
    }
    if (afterDrop >= 0 && now - dropSeenAt > kStreamAfterDropMs * 1000000) break;
    if (afterDrop < 0 && now - start > kStreamLimitMs * 1000000) break;
    char line[16];
    std::snprintf(line, sizeof line, "S%06ld ", calls++);
    text.Set(line);
    expected.DisplayText(text.ansi(), 0);
    const int64_t before = MonotonicNs();
    if (display.DisplayText(text.wide(), 0) != kSuccess) ++failures;
    longestNs = std::max(longestNs, MonotonicNs() - before);
    if (afterDrop >= 0) ++afterDrop;
  }
  checks.That(afterDrop >= 0, "the harness dropped the line during the stream (%ld calls)", calls);
  checks.Equal(failures, 0, "every DisplayText of the stream gives OPOS_SUCCESS");
  checks.That(longestNs / 1000000 <= kWriteBoundMs, "the longest call of the stream took %lld ms (at most %lld)",
              static_cast<long long>(longestNs / 1000000), static_cast<long long>(kWriteBoundMs));
  std::printf("measure stream calls=%ld after-drop=%d longest-us=%lld\n", calls, afterDrop,
              static_cast<long long>(longestNs / 1000));
  return longestNs;
}

}  // namespace

void RunLineDrop(Checks& checks, HarnessLink& harness) {
  LateBoundDisplay display;
  HRESULT hr = S_OK;
  if (!checks.That(display.Create(&hr), "the object is made and its names bound (0x%08lx)",
                   static_cast<unsigned long>(hr))) {
    return;
  }
  ExpectedDisplay expected;
  std::vector<uint8_t>& bytes = expected.bytes();

  Opened(bytes, expected);
  checks.Equal(display.OpenService(L"ORVIX"), kSuccess, "OpenService");
  checks.Equal(display.ClaimDevice(0), kSuccess, "ClaimDevice(0)");
  display.SetPropertyNumber(3, 1);
  TestText before("BEFORE THE DROP");
  expected.DisplayTextAt(1, 1, before.ansi(), 0);
  checks.Equal(display.DisplayTextAt(1, 1, before.wide(), 0), kSuccess, "DisplayTextAt before the drop");
  if (!checks.That(harness.WriteData("before.bin", bytes.data(), bytes.size()) && harness.Step("before"),
                   "the harness drops the line")) {
    return;
  }

  CallsWithoutLine(checks, display);
  bytes.clear();
  if (!checks.That(harness.Step("dropped"), "the harness brings the line back")) return;

  Opened(bytes, expected);
  ExpectTimed(checks, "OpenService once the display is back", kSuccess, kOpenBoundMs,
              [&] { return display.OpenService(L"ORVIX"); });
  TestText back("BACK AGAIN");
  expected.DisplayTextAt(1, 1, back.ansi(), 0);
  checks.Equal(display.DisplayTextAt(1, 1, back.wide(), 0), kSuccess, "DisplayTextAt once the display is back");
  if (!checks.That(harness.WriteData("restored.bin", bytes.data(), bytes.size()) && harness.Step("restored"),
                   "the harness checked the display after its return")) {
    return;
  }
  bytes.clear();

  StreamThroughDrop(checks, display, harness, expected);
  ExpectTimed(checks, "CloseService after the stream", kSuccess, kWriteBoundMs, [&] { return display.CloseService(); });
  if (!checks.That(harness.WriteData("stream.bin", bytes.data(), bytes.size()) && harness.Step("streamed"),
                   "the harness checked the stream and brought the line back")) {
    return;
  }
  bytes.clear();

  Opened(bytes, expected);
  ExpectTimed(checks, "OpenService after the stream", kSuccess, kOpenBoundMs,
              [&] { return display.OpenService(L"ORVIX"); });
  TestText after("AFTER THE STREAM");
  expected.DisplayTextAt(2, 1, after.ansi(), 0);
  checks.Equal(display.DisplayTextAt(2, 1, after.wide(), 0), kSuccess, "DisplayTextAt after the stream");
  checks.That(harness.WriteData("final.bin", bytes.data(), bytes.size()) && harness.Step("final"),
              "the harness checked the display at the end");
  checks.Equal(display.CloseService(), kSuccess, "CloseService");
  checks.Equal(display.invokeFailures(), 0, "no Invoke failed");
}

}  // namespace orvix::wine_client
