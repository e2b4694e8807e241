// A host application whose window procedures call into the object while OpenService waits
// for the display's answer: between the identification's reads the service dispatches the
// thread's messages, so a timer or a posted message of the host runs inside OpenService and
// may call DisplayText, or OpenService itself, on the same object. Nothing may crash, every
// byte must reach the display in the order of the calls, and the service must be usable
// afterwards.
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
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 50;
constexpr UINT kPostedCall = WM_APP + 1;
// The tick on which the timer's handler opens the service again, inside the outer open.
constexpr int kNestingTick = 3;
// Two identifications without an answer, one inside the other.
constexpr int64_t kNestedOpensBoundMs = 2 * kOpenBoundMs;

struct Host {
  Checks* checks = nullptr;
  LateBoundDisplay display;
  ExpectedDisplay expected;
  HWND window = nullptr;
  int ticks = 0;
  int depth = 0;
  int deepest = 0;
  bool nested = false;
  LONG nestedResult = -1;
  int64_t nestedMs = -1;
  long failures = 0;

  void Write(const char* text) {
    TestText line(text);
    expected.DisplayText(line.ansi(), 0);
    if (display.DisplayText(line.wide(), 0) != kSuccess) ++failures;
  }

  // OpenService with its two writes placed around whatever runs inside it.
  LONG Open(int64_t* elapsedMs) {
    const auto& identify = ExpectedDisplay::IdentifyRequest();
    expected.bytes().insert(expected.bytes().end(), identify.begin(), identify.end());
    const int64_t start = MonotonicNs();
    const LONG result = display.OpenService(L"ORVIX");
    *elapsedMs = (MonotonicNs() - start) / 1000000;
    const auto& initialise = ExpectedDisplay::InitialiseAndClear();
    expected.bytes().insert(expected.bytes().end(), initialise.begin(), initialise.end());
    expected.Opened();
    return result;
  }

  void OnTimer() {
    ++ticks;
    char text[8];
    std::snprintf(text, sizeof text, "t%d", ticks % 10);
    Write(text);
    if (ticks == kNestingTick && !nested) {
      nested = true;
      nestedResult = Open(&nestedMs);
    }
  }

  void OnPostedCall() {
    TestText inside("IN");
    expected.DisplayTextAt(2, 1, inside.ansi(), 0);
    if (display.DisplayTextAt(2, 1, inside.wide(), 0) != kSuccess) ++failures;
    nested = true;
    nestedResult = Open(&nestedMs);
  }
};

Host* g_host = nullptr;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_host != nullptr && (message == WM_TIMER || message == kPostedCall)) {
    g_host->deepest = std::max(g_host->deepest, ++g_host->depth);
    if (message == WM_TIMER && wParam == kTimerId) g_host->OnTimer();
    if (message == kPostedCall) g_host->OnPostedCall();
    --g_host->depth;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool MakeWindow(Host& host) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"OrvixReentryHost";
  if (RegisterClassW(&windowClass) == 0) return false;
  // A message-only window: never shown, only its messages matter.
  host.window = CreateWindowExW(0, windowClass.lpszClassName, L"host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  if (host.window == nullptr) std::printf("  CreateWindowExW: error %lu\n", GetLastError());
  return host.window != nullptr;
}

bool HandOver(Checks& checks, HarnessLink& harness, Host& host, const char* step) {
  char file[32];
  std::snprintf(file, sizeof file, "%s.bin", step);
  auto& bytes = host.expected.bytes();
  const bool done = harness.WriteData(file, bytes.data(), bytes.size()) && harness.Step(step);
  bytes.clear();
  return checks.That(done, "the harness checked the display after step %s", step);
}

// The display does not answer; a timer writes on every tick and opens the service again
// inside the outer open.
void TimerDuringSilentOpen(Checks& checks, Host& host) {
  host.ticks = 0;
  host.nested = false;
  SetTimer(host.window, kTimerId, kTimerMs, nullptr);
  int64_t outerMs = 0;
  const LONG outer = host.Open(&outerMs);
  KillTimer(host.window, kTimerId);
  checks.Equal(outer, kIllegal, "the outer OpenService against a silent display gives OPOS_E_ILLEGAL");
  checks.That(outerMs <= kNestedOpensBoundMs, "the outer OpenService returns within %lld ms (%lld ms)",
              static_cast<long long>(kNestedOpensBoundMs), static_cast<long long>(outerMs));
  checks.That(host.nested, "the timer's handler opened the service inside OpenService");
  checks.Equal(host.nestedResult, kIllegal, "the nested OpenService gives OPOS_E_ILLEGAL");
  checks.That(host.nestedMs >= 0 && host.nestedMs <= kOpenBoundMs, "the nested OpenService returns within %lld ms (%lld ms)",
              static_cast<long long>(kOpenBoundMs), static_cast<long long>(host.nestedMs));
  checks.That(host.ticks > kNestingTick, "timer messages kept coming during both waits (%d ticks)", host.ticks);
  checks.That(host.deepest >= 2, "a handler ran inside the nested OpenService (depth %d)", host.deepest);
  std::printf("measure silent outer-ms=%lld nested-ms=%lld ticks=%d depth=%d\n", static_cast<long long>(outerMs),
              static_cast<long long>(host.nestedMs), host.ticks, host.deepest);
}

// The display answers each request 1.5 s late; a message posted before OpenService writes
// and opens the service again between the outer open's reads. The host's quit message,
// posted after it, must still be there afterwards.
void PostedCallDuringLateOpen(Checks& checks, Host& host) {
  host.nested = false;
  host.deepest = 0;
  PostMessageW(host.window, kPostedCall, 0, 0);
  PostQuitMessage(7);
  int64_t outerMs = 0;
  const LONG outer = host.Open(&outerMs);
  checks.That(host.nested, "the posted message was handled inside OpenService");
  // The nested open reads the answer to the outer request, the outer one the answer to the
  // nested request.
  checks.Equal(host.nestedResult, kSuccess, "the nested OpenService gives OPOS_SUCCESS");
  checks.Equal(outer, kSuccess, "the outer OpenService gives OPOS_SUCCESS");
  checks.That(outerMs <= kOpenBoundMs, "the outer OpenService returns within %lld ms (%lld ms)",
              static_cast<long long>(kOpenBoundMs), static_cast<long long>(outerMs));
  MSG message;
  const bool quit = PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  checks.That(quit && message.wParam == 7, "the host's quit message is still queued after OpenService");
  std::printf("measure late outer-ms=%lld nested-ms=%lld\n", static_cast<long long>(outerMs),
              static_cast<long long>(host.nestedMs));
}

}  // namespace

void RunReentry(Checks& checks, HarnessLink& harness) {
  Host host;
  host.checks = &checks;
  g_host = &host;
  HRESULT hr = S_OK;
  if (!checks.That(host.display.Create(&hr), "the object is made and its names bound (0x%08lx)",
                   static_cast<unsigned long>(hr)) ||
      !checks.That(MakeWindow(host), "a hidden window for the host's messages")) {
    g_host = nullptr;
    return;
  }

  if (checks.That(harness.Step("ready"), "the harness made the display silent")) {
    TimerDuringSilentOpen(checks, host);
    if (HandOver(checks, harness, host, "silent")) {
      PostedCallDuringLateOpen(checks, host);
      if (HandOver(checks, harness, host, "late")) {
        int64_t ms = 0;
        checks.Equal(host.Open(&ms), kSuccess, "OpenService afterwards, against a display that answers at once");
        checks.Equal(host.display.GetPropertyNumber(1), 0, "Claimed is 0 after the open");
        checks.Equal(host.display.ClaimDevice(0), kSuccess, "ClaimDevice(0)");
        TestText after("AFTER");
        host.expected.DisplayTextAt(1, 1, after.ansi(), 0);
        checks.Equal(host.display.DisplayTextAt(1, 1, after.wide(), 0), kSuccess, "DisplayTextAt afterwards");
        HandOver(checks, harness, host, "final");
        checks.Equal(host.display.CloseService(), kSuccess, "CloseService");
      }
    }
  }
  checks.Equal(host.failures, 0, "every call from a window procedure gave OPOS_SUCCESS");
  checks.Equal(host.display.invokeFailures(), 0, "no Invoke failed");
  DestroyWindow(host.window);
  g_host = nullptr;
}

}  // namespace orvix::wine_client
