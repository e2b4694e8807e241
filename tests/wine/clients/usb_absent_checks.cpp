// A USB profile whose display is not plugged in: OpenService gives up once the
// identification's retries are over instead of hanging, every later call returns at once, and
// opening again and again holds on to no handle. The harness writes the profile (its
// DeviceID chooses the display) before it runs this mode.
#include <cstdio>
#include <cwchar>

#include "client.h"

namespace orvix::wine_client {
namespace {

constexpr LONG kUntouched = -12345;
constexpr LONG kSuccess = 0;
constexpr LONG kIllegal = 106;

// Without an answer the identification reads three more times after 100 ms each, and a
// missing pipe answers each read at once: a little over 360 ms in all.
constexpr DWORD kIdentificationAtLeastMs = 350;
constexpr DWORD kOpenAtMostMs = 3000;
// A call that neither waits for a device nor sleeps.
constexpr DWORD kPromptCallMs = 250;
constexpr int kLeakRounds = 6;

class Stopwatch {
 public:
  Stopwatch() : start_(GetTickCount()) {}
  DWORD ElapsedMs() const { return GetTickCount() - start_; }

 private:
  DWORD start_;
};

// Wine gives a new handle the lowest free slot, so the value of a fresh one rises with every
// handle that something keeps (GetProcessHandleCount always reports 0 there).
ULONG_PTR FreshHandleValue() {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(event);
  if (event != nullptr) CloseHandle(event);
  return value;
}

LONG Open(Iposlinedisplay* display) {
  UniqueBstr deviceClass(SysAllocString(L"LineDisplay"));
  UniqueBstr deviceName(SysAllocString(L"ORVIX"));
  LONG rc = kUntouched;
  display->OpenService(deviceClass.get(), deviceName.get(), nullptr, &rc);
  return rc;
}

// Runs one call that reports a result code and checks the code and that it took no time.
template <typename Call>
void ExpectPromptResult(Checks& checks, const char* name, LONG expected, Call call) {
  LONG rc = kUntouched;
  const Stopwatch watch;
  const HRESULT hr = call(&rc);
  const DWORD ms = watch.ElapsedMs();
  checks.That(hr == S_OK && rc == expected, "%s reports %ld (0x%08lx, %ld)", name, expected,
              static_cast<unsigned long>(hr), rc);
  checks.That(ms <= kPromptCallMs, "%s returns at once (%lu ms)", name, static_cast<unsigned long>(ms));
}

// The same for a setter, which has no result code.
template <typename Call>
void ExpectPrompt(Checks& checks, const char* name, Call call) {
  const Stopwatch watch;
  const HRESULT hr = call();
  const DWORD ms = watch.ElapsedMs();
  checks.Result(hr, S_OK, "%s", name);
  checks.That(ms <= kPromptCallMs, "%s returns at once (%lu ms)", name, static_cast<unsigned long>(ms));
}

void CheckLaterCalls(Checks& checks, Iposlinedisplay* d) {
  UniqueBstr hello(SysAllocString(L"Hello"));
  UniqueBstr world(SysAllocString(L"World"));
  // A USB display always counts as present.
  ExpectPromptResult(checks, "ClaimDevice(0)", kSuccess, [&](LONG* rc) { return d->ClaimDevice(0, rc); });
  ExpectPrompt(checks, "enabling", [&] { return d->SetPropertyNumber(3, 1); });
  ExpectPromptResult(checks, "DisplayText", kSuccess, [&](LONG* rc) { return d->DisplayText(hello.get(), 0, rc); });
  ExpectPromptResult(checks, "DisplayTextAt", kSuccess,
                     [&](LONG* rc) { return d->DisplayTextAt(2, 1, world.get(), 1, rc); });
  ExpectPromptResult(checks, "ScrollText", kSuccess, [&](LONG* rc) { return d->ScrollText(1, 1, rc); });
  ExpectPrompt(checks, "setting the brightness", [&] { return d->SetPropertyNumber(5007, 2); });
  ExpectPrompt(checks, "setting the blink rate", [&] { return d->SetPropertyNumber(5018, 10); });
  ExpectPrompt(checks, "setting the cursor type", [&] { return d->SetPropertyNumber(5019, 4); });
  ExpectPrompt(checks, "setting the marquee type", [&] { return d->SetPropertyNumber(5014, 3); });
  ExpectPrompt(checks, "setting the cursor column", [&] { return d->SetPropertyNumber(5004, 3); });
  for (LONG level = 1; level <= 3; ++level) {
    char name[32];
    std::snprintf(name, sizeof name, "CheckHealth(%ld)", level);
    ExpectPromptResult(checks, name, kSuccess, [&](LONG* rc) { return d->CheckHealth(level, rc); });
  }
  ExpectPromptResult(checks, "reading CheckHealthText", 1, [&](LONG* same) {
    UniqueBstr text;
    const HRESULT hr = d->GetPropertyString(1000001, text.put());
    *same = text.get() != nullptr && std::wcscmp(text.get(), L"Interactive is health") == 0;
    return hr;
  });
  ExpectPromptResult(checks, "reading Claimed", 1, [&](LONG* value) { return d->GetPropertyNumber(1, value); });
  ExpectPromptResult(checks, "ClearText", kSuccess, [&](LONG* rc) { return d->ClearText(rc); });
  ExpectPromptResult(checks, "ReleaseDevice", kSuccess, [&](LONG* rc) { return d->ReleaseDevice(rc); });
  ExpectPromptResult(checks, "DisplayText after ReleaseDevice", kSuccess,
                     [&](LONG* rc) { return d->DisplayText(hello.get(), 0, rc); });
  ExpectPromptResult(checks, "CloseService", kSuccess, [&](LONG* rc) { return d->CloseService(rc); });
  ExpectPromptResult(checks, "CloseService again", kSuccess, [&](LONG* rc) { return d->CloseService(rc); });
}

// One round of what a till does with a display that is missing, opening twice in a row
// (the second open must let go of what the first one opened).
void OpenRound(Iposlinedisplay* display) {
  Open(display);
  Open(display);
  UniqueBstr text(SysAllocString(L"Round"));
  LONG rc = kUntouched;
  display->DisplayText(text.get(), 0, &rc);
  display->CheckHealth(3, &rc);
  display->ReleaseDevice(&rc);
  display->CloseService(&rc);
}

}  // namespace

void CheckUsbDisplayAbsent(Checks& checks) {
  ComPtr<Iposlinedisplay> display;
  if (!checks.Result(CoCreateInstance(CLSID_poslinedisplay, nullptr, CLSCTX_INPROC_SERVER, IID_Iposlinedisplay,
                                      reinterpret_cast<void**>(display.put())),
                     S_OK, "CoCreateInstance for Iposlinedisplay")) {
    return;
  }
  Iposlinedisplay* d = display.get();

  const Stopwatch opening;
  const LONG opened = Open(d);
  const DWORD openMs = opening.ElapsedMs();
  checks.Equal(opened, kIllegal, "OpenService without the display reports OPOS_E_ILLEGAL");
  checks.That(openMs >= kIdentificationAtLeastMs, "OpenService waited for the identification's retries (%lu ms)",
              static_cast<unsigned long>(openMs));
  checks.That(openMs <= kOpenAtMostMs, "OpenService gave up within %lu ms (%lu ms)",
              static_cast<unsigned long>(kOpenAtMostMs), static_cast<unsigned long>(openMs));

  CheckLaterCalls(checks, d);

  // The first rounds may load modules and make objects that stay for good.
  OpenRound(d);
  OpenRound(d);
  const ULONG_PTR before = FreshHandleValue();
  for (int round = 0; round < kLeakRounds; ++round) OpenRound(d);
  const ULONG_PTR after = FreshHandleValue();
  checks.That(before != 0 && after == before,
              "%d rounds of opening twice and closing keep no handle (fresh handle 0x%lx, then 0x%lx)", kLeakRounds,
              static_cast<unsigned long>(before), static_cast<unsigned long>(after));

  // The measure itself: one handle kept shows.
  HANDLE kept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  checks.That(FreshHandleValue() > after, "a handle kept by this client shows in the fresh handle's value");
  if (kept != nullptr) CloseHandle(kept);
}

}  // namespace orvix::wine_client
