#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "service_rig.h"

namespace orvix::testing {
namespace {

using S = LineDisplayService;

// ---- ClaimDevice ----

struct ClaimCase {
  const char* name;
  int32_t timeout;
  bool ctsOn;
  int32_t result;
  uint64_t slept;
};

class ClaimTest : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(ClaimTest, WaitsTheTimeoutThenTestsPresence) {
  const ClaimCase& c = GetParam();
  ServiceRig rig;
  rig.OpenReady();
  rig.port.modemStatus = c.ctsOn ? platform::kModemCtsOn : 0;
  rig.port.calls.clear();

  EXPECT_EQ(rig.service.ClaimDevice(c.timeout), c.result);
  EXPECT_EQ(rig.clock.slept, c.slept);
  EXPECT_EQ(rig.clock.sleepCalls, c.slept > 0 ? 1 : 0);
  EXPECT_EQ(rig.clock.pumps, 0);  // a plain sleep: no messages dispatched
  EXPECT_EQ(rig.state().claimed, c.result == opos::kSuccess ? 1 : 0);
  EXPECT_EQ(rig.port.calls, std::vector<std::string>{"GetModemStatus"});
}

INSTANTIATE_TEST_SUITE_P(Timeouts, ClaimTest,
                         ::testing::Values(ClaimCase{"present at once", 0, true, opos::kSuccess, 0},
                                           // The whole timeout is waited even when the display is there.
                                           ClaimCase{"present after the wait", 250, true, opos::kSuccess, 250},
                                           ClaimCase{"absent", 1000, false, opos::kTimeout, 1000},
                                           ClaimCase{"absent at once", 0, false, opos::kTimeout, 0},
                                           ClaimCase{"forever waits not at all", -1, true, opos::kSuccess, 0},
                                           ClaimCase{"lowest timeout", INT32_MIN, false, opos::kTimeout, 0},
                                           ClaimCase{"highest timeout", INT32_MAX, true, opos::kSuccess, 0x7FFFFFFF}),
                         [](const auto& info) { return CaseName(info.param.name); });

TEST(LifeCycleTest, ClaimSendsNothingAndCanBeRepeated) {
  ServiceRig rig;
  rig.OpenReady();
  EXPECT_EQ(rig.service.ClaimDevice(10), opos::kSuccess);
  EXPECT_EQ(rig.service.ClaimDevice(10), opos::kSuccess);
  EXPECT_TRUE(rig.port.writes.empty());
  rig.port.modemStatus = 0;
  EXPECT_EQ(rig.service.ClaimDevice(10), opos::kTimeout);
  EXPECT_EQ(rig.state().claimed, 0);
}

TEST(LifeCycleTest, ClaimOverUsbAlwaysFindsTheDisplay) {
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.SetText(kProfileKey, "DeviceType", "USB");
  rig.registry.SetDword(kProfileKey, "DeviceID", 0x1102);
  rig.Open();
  rig.port.modemStatus = 0;
  EXPECT_EQ(rig.service.ClaimDevice(500), opos::kSuccess);
  EXPECT_EQ(rig.clock.slept, 500u);
}

// ---- releasing, closing ----

struct EndCase {
  const char* name;
  std::function<int32_t(S&)> end;
  const char* logLine;
};

class EndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(EndTest, ClosesThePortAndKeepsTheRest) {
  const EndCase& c = GetParam();
  ServiceRig rig;
  rig.OpenReady();
  rig.service.ClaimDevice(0);
  rig.service.SetPropertyNumber(opos::kPidxDeviceEnabled, 1);
  rig.service.SetPropertyNumber(opos::kPidxDispDeviceBrightness, 2);
  rig.port.TakeWrites();
  rig.logFile.contents.clear();
  const int closesBefore = rig.port.closes;

  EXPECT_EQ(c.end(rig.service), opos::kSuccess);
  EXPECT_EQ(rig.logFile.contents, c.logLine);
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.closes, closesBefore + 1);
  EXPECT_EQ(rig.state().claimed, 0);
  EXPECT_EQ(rig.state().deviceEnabled, 1);
  EXPECT_EQ(rig.state().brightness, 2);
  EXPECT_EQ(rig.state().logEnabled, 1);

  // Nothing reopens the port: later output reaches no display yet succeeds.
  EXPECT_EQ(rig.service.DisplayText(u"AB", opos::kDisplayNormal), opos::kSuccess);
  EXPECT_EQ(rig.service.CheckHealth(opos::kHealthInternal), opos::kSuccess);
  EXPECT_TRUE(rig.port.writes.empty());
  // Ending twice is as good as once.
  EXPECT_EQ(c.end(rig.service), opos::kSuccess);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, EndTest,
    ::testing::Values(EndCase{"ReleaseDevice", [](S& s) { return s.ReleaseDevice(); }, "======ReleaseDevice======\r\n"},
                      EndCase{"CloseService", [](S& s) { return s.CloseService(); }, "======CloseService=====\r\n"}),
    [](const auto& info) { return CaseName(info.param.name); });

TEST(LifeCycleTest, DirectIoKnowsNoCommand) {
  ServiceRig rig;
  rig.OpenReady();
  const std::string before = Snapshot(rig.state());
  EXPECT_EQ(rig.service.DirectIO(7), opos::kIllegal);
  EXPECT_EQ(rig.service.DirectIO(-1), opos::kIllegal);
  EXPECT_EQ(Snapshot(rig.state()), before);
  EXPECT_TRUE(rig.port.writes.empty());
  EXPECT_EQ(rig.logFile.contents, "DirectIO:0x7\r\nDirectIO:0xffffffff\r\n");
}

// ---- before the first OpenService ----

TEST(LifeCycleTest, BeforeOpenEveryCallTouchesNoTransportAndLogsNothing) {
  ServiceRig rig;
  S& s = rig.service;
  EXPECT_EQ(s.ClaimDevice(0), opos::kSuccess);
  EXPECT_EQ(s.ReleaseDevice(), opos::kSuccess);
  EXPECT_EQ(s.CheckHealth(opos::kHealthInternal), opos::kSuccess);
  EXPECT_EQ(s.GetPropertyString(opos::kPidxCheckHealthText), "Interactive is health");
  EXPECT_EQ(s.GetPropertyNumber(opos::kPidxState), 2);
  for (int32_t index : {3, 11, 5004, 5005, 5006, 5007, 5014, 5018, 5019, 42}) {
    for (int32_t number : {0, 1, 3, 4, -1}) s.SetPropertyNumber(index, number);
  }
  s.SetPropertyString(1, u"x");
  s.DisplayText(u"AB", 0);
  s.DisplayTextAt(2, 5, u"AB", 1);
  s.ScrollText(opos::kScrollLeft, 1);
  s.ClearText();
  s.DirectIO(1);
  EXPECT_EQ(s.COFreezeEvents(true), opos::kSuccess);
  EXPECT_EQ(s.Unsupported("DefineGlyph"), 106);
  EXPECT_EQ(s.CloseService(), opos::kSuccess);
  EXPECT_TRUE(rig.port.calls.empty());
  EXPECT_TRUE(rig.usbBus.pipeOpenAttempts.empty());
  EXPECT_TRUE(rig.usbBus.enumeratedClasses.empty());
  EXPECT_TRUE(rig.registry.openedPaths.empty());
  EXPECT_EQ(rig.logFile.opens, 0);
}

// ---- CheckHealth ----

struct HealthCase {
  int32_t level;
  int32_t result;
  std::string shown;  // empty: nothing sent
  const char* text;   // checkHealthText afterwards
};

class HealthTest : public ::testing::TestWithParam<HealthCase> {};

TEST_P(HealthTest, ShowsTheTestTextAndRecordsTheResult) {
  const HealthCase& c = GetParam();
  ServiceRig rig;
  rig.OpenReady();
  rig.service.DisplayText(u"KEEP", opos::kDisplayNormal);
  rig.port.TakeWrites();
  rig.logFile.contents.clear();
  const std::string cells(reinterpret_cast<const char*>(rig.state().textCells), kDisplayCells);

  EXPECT_EQ(rig.service.CheckHealth(c.level), c.result);
  std::vector<std::string> transfers;
  if (!c.shown.empty()) transfers.push_back("1B 40 " + ToHex(Bytes(c.shown.begin(), c.shown.end())));
  EXPECT_TRUE(rig.port.TookWrites(transfers));
  EXPECT_EQ(rig.state().checkHealthText, c.text);
  // Neither the mirror nor the cursor follow the test text.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(rig.state().textCells), kDisplayCells), cells);
  EXPECT_EQ(rig.state().cursorRow, 1);
  EXPECT_EQ(rig.state().cursorColumn, 4);
  char entry[32];
  std::snprintf(entry, sizeof entry, "CheckHealth:0x%x\r\n", static_cast<unsigned>(c.level));
  std::string log = entry;
  if (c.result != opos::kSuccess) log += "CheckHealth:Level error OPOS_E_ILLEGAL\r\n";
  EXPECT_EQ(rig.logFile.contents, log);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, HealthTest,
    ::testing::Values(HealthCase{1, opos::kSuccess, "Test", "Internal is health"},
                      HealthCase{2, opos::kSuccess, "External is health", "External is health"},
                      HealthCase{3, opos::kSuccess, "CheckHealth~AaBbCcDdEeFfGgHhIiJjKkLlMmNn",
                                 "Interactive is health"},
                      HealthCase{0, opos::kIllegal, "", "Disconneting"},
                      HealthCase{4, opos::kIllegal, "", "Disconneting"},
                      HealthCase{-1, opos::kIllegal, "", "Disconneting"}),
    [](const auto& info) { return "level_" + CaseName(std::to_string(info.param.level)); });

// ---- the small methods ----

TEST(LifeCycleTest, UnsupportedOperationsAreRefused) {
  const char* const names[] = {"ClearDescriptors",   "CreateWindow",         "DestroyWindow",   "RefreshWindow",
                               "SetDescriptor",      "DefineGlyph",          "ReadCharacterAtCursor",
                               "DisplayBitmap",      "SetBitmap",            "ResetStatistics", "RetrieveStatistics",
                               "UpdateStatistics",   "CompareFirmwareVersion", "UpdateFirmware"};
  ServiceRig rig;
  rig.OpenReady();
  const std::string before = Snapshot(rig.state());
  std::string expected;
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(rig.service.Unsupported(names[i]), opos::kIllegal) << names[i];
    expected += std::string(names[i]) + ":Aways return OPOS_E_ILLEGAL\r\n";
  }
  EXPECT_EQ(rig.logFile.contents, expected);
  EXPECT_EQ(Snapshot(rig.state()), before);
  EXPECT_TRUE(rig.port.writes.empty());
}

TEST(LifeCycleTest, FreezeEventsIsLoggedAsTheAutomationTruth) {
  ServiceRig rig;
  rig.OpenReady();
  EXPECT_EQ(rig.service.COFreezeEvents(true), opos::kSuccess);
  EXPECT_EQ(rig.service.COFreezeEvents(false), opos::kSuccess);
  EXPECT_EQ(rig.logFile.contents, "COFreezeEvents:0xffffffff\r\nCOFreezeEvents:0x0\r\n");
}

// ---- one session, as the log file shows it ----

TEST(LifeCycleTest, LogOfASessionByteForByte) {
  ServiceRig rig;
  rig.SerialProfile(0x10);
  rig.registry.SetText(kClassKey, "PoleDisplay", "ORVIX");
  rig.AnswerModel();
  rig.Open(u"PoleDisplay");
  rig.service.ClaimDevice(1000);
  rig.service.SetPropertyNumber(opos::kPidxDeviceEnabled, 1);
  rig.service.GetPropertyNumber(opos::kPidxDeviceEnabled);
  rig.service.GetPropertyNumber(0x1234);
  rig.service.SetPropertyNumber(opos::kPidxDispCursorUpdate, 1);
  rig.service.COFreezeEvents(true);
  rig.service.CheckHealth(4);
  rig.service.DirectIO(-1);
  rig.service.Unsupported("CreateWindow");
  rig.service.SetPropertyNumber(opos::kPidxDeviceEnabled, 0);
  rig.service.ReleaseDevice();
  rig.service.CloseService();

  EXPECT_EQ(rig.logFile.contents, Crlf("OpenService:\n"
                                       "DeviceClass:LineDisplay,DeviceName:PoleDisplay\n"
                                       "ClaimDevice:0x3e8\n"
                                       "SetPropertyNumber:0x3 :PIDXDisp_DeviceEnabled:0x1\n"
                                       "GetPropertyNumber:PropIndex:0x3:PIDX_DeviceEnabled\n"
                                       "return pNumber:0x67\n"
                                       "GetPropertyNumber:PropIndex:0x1234return pNumber:0x0\n"
                                       "SetPropertyNumber:0x138e COFreezeEvents:0xffffffff\n"
                                       "CheckHealth:0x4\n"
                                       "CheckHealth:Level error OPOS_E_ILLEGAL\n"
                                       "DirectIO:0xffffffff\n"
                                       "CreateWindow:Aways return OPOS_E_ILLEGAL\n"
                                       "SetPropertyNumber:0x3 :PIDXDisp_DeviceEnabled:0x0\n"
                                       "======ReleaseDevice======\n"
                                       "======CloseService=====\n"));
  EXPECT_EQ(rig.logFile.contents.find("\n\n"), std::string::npos);
}

}  // namespace
}  // namespace orvix::testing
