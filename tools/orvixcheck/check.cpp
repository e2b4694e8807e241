// The check of the display: the steps of a POS application's first minutes with it, each
// printed with its result, its meaning and its time. The exit code is the number of the
// first step that failed.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "orvixcheck.h"
#include "profile.h"
#include "registry_view.h"
#include "service_object.h"

namespace orvixcheck {
namespace {

enum Step {
  kStepProfile = 1,
  kStepCreate,
  kStepOpen,
  kStepClaim,
  kStepEnable,
  kStepHealth,
  kStepShow,
  kStepRelease,
  kStepClose,
};

constexpr long kSuccess = 0;
constexpr long kPidxDeviceEnabled = 3;
constexpr long kPidxServiceObjectVersion = 8;
constexpr long kPidxServiceObjectDescription = 1000004;
constexpr long kHealthInternal = 1;
constexpr long kClaimTimeoutMs = 1000;

std::string ResultName(long code) {
  switch (code) {
    case 0: return "0 OPOS_SUCCESS";
    case 106: return "106 OPOS_E_ILLEGAL";
    case 112: return "112 OPOS_E_TIMEOUT";
    default: return std::to_string(code);
  }
}

// Prints the steps as they run and remembers the first that failed.
class Steps {
 public:
  // `name` is the step's name in the verdict, `what` what the step does.
  void Begin(int step, const std::string& name, const std::string& what) {
    step_ = step;
    title_ = name;
    std::printf("%d. %s: %s\n", step, name.c_str(), what.c_str());
    std::fflush(stdout);
    start_ = std::chrono::steady_clock::now();
  }
  bool Pass(const std::string& detail) { return End("ok", detail, true); }
  bool Fail(const std::string& detail) {
    if (failed_ == 0) {
      failed_ = step_;
      failedTitle_ = title_;
      reason_ = detail;
    }
    return End("FAILED", detail, false);
  }
  // A call's HRESULT and OPOS result code against the one expected.
  bool Judge(HRESULT hr, long code, const char* meaningOfFailure) {
    if (FAILED(hr)) return Fail("the call itself failed: " + DescribeResult(hr));
    if (code != kSuccess) return Fail(ResultName(code) + ": " + meaningOfFailure);
    return Pass(ResultName(code));
  }
  int failed() const { return failed_; }
  const std::string& failedTitle() const { return failedTitle_; }
  const std::string& reason() const { return reason_; }

 private:
  bool End(const char* outcome, const std::string& detail, bool passed) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    std::printf("   %s (%lld ms): %s\n", outcome, static_cast<long long>(elapsed.count()), detail.c_str());
    std::fflush(stdout);
    return passed;
  }

  int step_ = 0;
  std::string title_;
  std::chrono::steady_clock::time_point start_;
  int failed_ = 0;
  std::string failedTitle_;
  std::string reason_;
};

std::string ClockText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  return text;
}

// Steps 3 to 9 on a created service object. A failed open is closed again, so that the
// port is free for the next program; after a failed claim the device is still released and
// closed.
void Drive(ServiceObject& device, const std::string& deviceName, Steps& steps) {
  long code = -1;
  steps.Begin(kStepOpen, "OpenService", "\"LineDisplay\", \"" + deviceName + "\": opens the port, asks the display for its model");
  HRESULT hr = device.Call(L"OpenService", {Argument::Text("LineDisplay"), Argument::Text(deviceName), Argument::NoObject()}, &code);
  if (!steps.Judge(hr, code, "the display did not answer as a KVD5100 or KVD5130 within about 4 seconds (port, line "
                             "settings, cable, power), or the port is in use by another program")) {
    device.Call(L"CloseService", {});
    return;
  }
  std::string description;
  long version = 0;
  device.Call(L"GetPropertyString", {Argument::Number(kPidxServiceObjectDescription)}, nullptr, &description);
  device.Call(L"GetPropertyNumber", {Argument::Number(kPidxServiceObjectVersion)}, &version);
  std::printf("   service object: %s, version %ld.%ld.%ld\n", description.c_str(), version / 1000000,
              version / 1000 % 1000, version % 1000);

  steps.Begin(kStepClaim, "ClaimDevice", "1000 ms: waits the timeout, then looks for the display's CTS line");
  hr = device.Call(L"ClaimDevice", {Argument::Number(kClaimTimeoutMs)}, &code);
  if (steps.Judge(hr, code, "the display's CTS line is off: switched off, unplugged, or a cable without CTS")) {
    steps.Begin(kStepEnable, "DeviceEnabled", "set to true");
    long enabled = 0;
    hr = device.Call(L"SetPropertyNumber", {Argument::Number(kPidxDeviceEnabled), Argument::Number(1)});
    if (SUCCEEDED(hr)) hr = device.Call(L"GetPropertyNumber", {Argument::Number(kPidxDeviceEnabled)}, &enabled);
    if (FAILED(hr)) {
      steps.Fail("the call itself failed: " + DescribeResult(hr));
    } else if (enabled == 0) {
      steps.Fail("DeviceEnabled reads false after it was set");
    } else if (steps.Pass("DeviceEnabled reads " + std::to_string(enabled))) {
      // The health check shows its own test text, so it runs before the text of the check.
      steps.Begin(kStepHealth, "CheckHealth", "internal");
      hr = device.Call(L"CheckHealth", {Argument::Number(kHealthInternal)}, &code);
      if (steps.Judge(hr, code, "the service object refused the internal health check")) {
        const std::string clock = ClockText();
        steps.Begin(kStepShow, "ClearText and DisplayText", "\"ORVIX check\" on row 1, the time " + clock + " on row 2");
        long shown = -1;
        hr = device.Call(L"ClearText", {}, &code);
        // In overwrite mode the text runs from row 1 on into row 2.
        if (SUCCEEDED(hr) && code == kSuccess) {
          hr = device.Call(L"DisplayText", {Argument::Text("ORVIX check         " + clock), Argument::Number(0)}, &shown);
          code = shown;
        }
        steps.Judge(hr, code, "the service object refused the text");
      }
    }
    device.Call(L"SetPropertyNumber", {Argument::Number(kPidxDeviceEnabled), Argument::Number(0)});
  }
  steps.Begin(kStepRelease, "ReleaseDevice", "closes the port");
  hr = device.Call(L"ReleaseDevice", {}, &code);
  steps.Judge(hr, code, "the service object refused to release the display");
  steps.Begin(kStepClose, "CloseService", "ends the session");
  hr = device.Call(L"CloseService", {}, &code);
  steps.Judge(hr, code, "the service object refused to close");
}

}  // namespace

int RunCheck(const std::string& deviceName) {
  std::printf("orvixcheck %s, %s: checking the pole display \"%s\"\n\n", ORVIXCHECK_VERSION, ProgramBitness(),
              deviceName.c_str());
  Steps steps;

  steps.Begin(kStepProfile, "Device profile", std::string("in the ") + ProgramBitness() + " registry view");
  RegistryView registry(0);
  const Profile profile = ReadProfile(registry.reader());
  PrintProfile(stdout, profile, "   ");
  const std::string problem = ProfileProblem(profile, deviceName);
  if (problem.empty() ? steps.Pass("the name leads to the profile, which names a transport") : steps.Fail(problem)) {
    steps.Begin(kStepCreate, "Registration", "create OPOS.ORVIX and bind its methods by name, as the Control Object does");
    ServiceObject device;
    std::string failure;
    if (FAILED(device.Create(&failure))) {
      steps.Fail(failure);
    } else {
      const std::string module = device.ModulePath();
      const std::string version = FileVersionOf(module);
      steps.Pass(module + ", file version " + (version.empty() ? "unknown" : version));
      Drive(device, deviceName, steps);
    }
  }

  std::printf("\n");
  if (steps.failed() == 0) {
    std::printf("VERDICT: the display works. It shows \"ORVIX check\" and the time.\n");
  } else {
    std::printf("VERDICT: the display does not work: step %d, %s, failed: %s.\n", steps.failed(),
                steps.failedTitle().c_str(), steps.reason().c_str());
  }
  return steps.failed();
}

}  // namespace orvixcheck
