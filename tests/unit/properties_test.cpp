#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "service_rig.h"

namespace orvix::testing {
namespace {

std::string Format(const char* format, int32_t a) {
  char text[128];
  std::snprintf(text, sizeof text, format, a);
  return text;
}

// ---- GetPropertyNumber ----

struct ReadCase {
  int32_t index;
  const char* label;  // null: an index the table does not list
  int32_t value;      // right after OpenService
};

class ReadNumberTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadNumberTest, GivesTheValueAndLogsItsLabel) {
  const ReadCase& c = GetParam();
  ServiceRig rig;
  rig.OpenReady();
  EXPECT_EQ(rig.service.GetPropertyNumber(c.index), c.value);
  // An index without a label leaves its line open, so the value follows the index directly.
  const std::string label = c.label != nullptr ? std::string(":") + c.label + "\r\n" : "";
  EXPECT_EQ(rig.logFile.contents, Format("GetPropertyNumber:PropIndex:0x%x", c.index) + label +
                                      Format("return pNumber:0x%x\r\n", c.value));
  EXPECT_TRUE(rig.port.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadNumberTest,
    // A handful of rows of the table, each kind of fixed value once, and indexes it does not list.
    ::testing::Values(ReadCase{1, "PIDX_Claimed", 0}, ReadCase{8, "PIDX_ServiceObjectVersion", 1000000},
                      ReadCase{9, "PIDX_State", 2}, ReadCase{14, "PIDX_PowerState", 2001},
                      ReadCase{5001, "PIDXDisp_CharacterSet", 998}, ReadCase{5006, "PIDXDisp_CursorUpdate", 1},
                      ReadCase{5010, "PIDXDisp_DeviceRows", 2}, ReadCase{5509, "PIDXDisp_CapCursorType", 8},
                      ReadCase{5512, "PIDXDisp_CapReverse", 0},
                      // Not readable: written only, or not numbers at all.
                      ReadCase{5007, nullptr, 0}, ReadCase{5018, nullptr, 0}, ReadCase{0, nullptr, 0},
                      ReadCase{1000001, nullptr, 0},
                      ReadCase{-1, nullptr, 0}),
    [](const auto& info) {
      const ReadCase& c = info.param;
      return c.label != nullptr ? std::string(c.label) : "unlisted_" + CaseName(std::to_string(c.index));
    });

struct StateReadCase {
  const char* name;
  std::function<void(LineDisplayService&)> before;
  int32_t index;
  int32_t value;
};

class StateReadTest : public ::testing::TestWithParam<StateReadCase> {};

TEST_P(StateReadTest, FollowsTheState) {
  const StateReadCase& c = GetParam();
  ServiceRig rig;
  rig.OpenReady();
  c.before(rig.service);
  EXPECT_EQ(rig.service.GetPropertyNumber(c.index), c.value);
}

using S = LineDisplayService;

INSTANTIATE_TEST_SUITE_P(
    Fields, StateReadTest,
    ::testing::Values(
        StateReadCase{"claimed", [](S& s) { s.ClaimDevice(0); }, 1, 1},
        StateReadCase{"enabled reads 103", [](S& s) { s.SetPropertyNumber(3, 5); }, 3, 103},
        StateReadCase{"result code after a refusal", [](S& s) { s.CheckHealth(0); }, 6, 0},
        StateReadCase{"freeze events after freezing", [](S& s) { s.COFreezeEvents(true); }, 4, 0},
        StateReadCase{"cursor update sign extended", [](S& s) { s.SetPropertyNumber(5006, 255); }, 5006, -1},
        StateReadCase{"cursor update low byte", [](S& s) { s.SetPropertyNumber(5006, 0x101); }, 5006, 1},
        StateReadCase{"marquee type 2", [](S& s) { s.SetPropertyNumber(5014, 2); }, 5014, 2},
        StateReadCase{"marquee type sign extended", [](S& s) { s.SetPropertyNumber(5014, 0x180); }, 5014, -128},
        StateReadCase{"cursor type shown", [](S& s) { s.SetPropertyNumber(5019, 4); }, 5019, 1},
        StateReadCase{"cursor column without cursor update",
                      [](S& s) { s.SetPropertyNumber(5004, 4), s.SetPropertyNumber(5006, 0); }, 5004, 0},
        StateReadCase{"cursor row without cursor update",
                      [](S& s) { s.SetPropertyNumber(5005, 1), s.SetPropertyNumber(5006, 2); }, 5005, 0},
        StateReadCase{"negative cursor column", [](S& s) { s.SetPropertyNumber(5004, -3); }, 5004, 0},
        StateReadCase{"cursor column above 127", [](S& s) { s.SetPropertyNumber(5004, 200); }, 5004, 0},
        StateReadCase{"cursor column low byte", [](S& s) { s.SetPropertyNumber(5004, 300); }, 5004, 44},
        StateReadCase{"negative cursor row", [](S& s) { s.SetPropertyNumber(5005, -1); }, 5005, 0},
        StateReadCase{"cursor row after text on row 2", [](S& s) { s.DisplayTextAt(2, 3, u"AB", 0); }, 5005, 1}),
    [](const auto& info) { return CaseName(info.param.name); });

// ---- GetPropertyString ----

struct TextCase {
  int32_t index;
  const char* label;
  const char* text;
};

class ReadTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReadTextTest, GivesTheFixedText) {
  const TextCase& c = GetParam();
  ServiceRig rig;
  rig.registry.SetText(kClassKey, "PoleDisplay", "ORVIX");
  rig.OpenReady();
  EXPECT_EQ(rig.service.GetPropertyString(c.index), c.text);
  const std::string label = c.label != nullptr ? std::string(":") + c.label + "\r\n" : "";
  EXPECT_EQ(rig.logFile.contents,
            Format("GetPropertyString:0x%x", c.index) + label + "return pString:" + c.text + "\r\n");
  EXPECT_TRUE(rig.port.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadTextTest,
    ::testing::Values(
        TextCase{1000002, "PIDX_DeviceDescription", "Pole Display 20x2 Vacuum Fluorescent Type"},
        TextCase{1000003, "PIDX_DeviceName", "Pole Display 20x2"},
        TextCase{1000004, "PIDX_ServiceObjectDescription",
                 "POS LineDisplay OPOS Service Object. ORVIX 1.0 for KVD5100/KVD5130"},
        TextCase{1005001, "PIDXDisp_CharacterSetList", "998"}, TextCase{42, nullptr, "EMPTY"},
        TextCase{1000005, nullptr, "EMPTY"}, TextCase{3, nullptr, "EMPTY"}, TextCase{-1000001, nullptr, "EMPTY"}),
    [](const auto& info) {
      const TextCase& c = info.param;
      return c.label != nullptr ? std::string(c.label) : "unlisted_" + CaseName(std::to_string(c.index));
    });

TEST(PropertiesTest, DeviceNameIsFixedWhateverNameOpened) {
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.SetText(kClassKey, "PoleDisplay", "ORVIX");
  rig.AnswerModel();
  rig.Open(u"PoleDisplay");
  EXPECT_EQ(rig.service.GetPropertyString(opos::kPidxDeviceName), "Pole Display 20x2");
}

TEST(PropertiesTest, HealthTextRunsTheInteractiveCheckFirst) {
  ServiceRig rig;
  rig.OpenReady();
  rig.service.CheckHealth(opos::kHealthInternal);
  rig.port.TakeWrites();
  rig.logFile.contents.clear();

  EXPECT_EQ(rig.service.GetPropertyString(opos::kPidxCheckHealthText), "Interactive is health");
  const std::string shown = "CheckHealth~AaBbCcDdEeFfGgHhIiJjKkLlMmNn";
  EXPECT_TRUE(rig.port.TookWrites({"1B 40 " + ToHex(Bytes(shown.begin(), shown.end()))}));
  EXPECT_EQ(rig.logFile.contents,
            "GetPropertyString:0xf4241:PIDX_CheckHealthText\r\nCheckHealth:0x3\r\nreturn pString:Interactive is "
            "health\r\n");
}

// ---- SetPropertyNumber ----

struct WriteCase {
  const char* name;
  int32_t index;
  int32_t number;
  std::vector<std::string> transfers;
  const char* label;  // null: the line stays open
  std::function<void(const DisplayState&)> check;
  std::function<void(LineDisplayService&)> before = [](LineDisplayService&) {};
};

class WriteNumberTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteNumberTest, StoresSendsAndLogs) {
  const WriteCase& c = GetParam();
  ServiceRig rig;
  rig.OpenReady();
  c.before(rig.service);
  rig.port.TakeWrites();
  rig.logFile.contents.clear();

  rig.service.SetPropertyNumber(c.index, c.number);
  EXPECT_TRUE(rig.port.TookWrites(c.transfers));
  std::string log = Format("SetPropertyNumber:0x%x ", c.index);
  if (c.label != nullptr) log += std::string(":") + c.label + Format(":0x%x\r\n", c.number);
  EXPECT_EQ(rig.logFile.contents, log);
  c.check(rig.state());
}

void Unchanged(const DisplayState& s) {
  DisplayState reset;
  ResetDisplayState(reset);
  reset.logEnabled = 1;  // the rig's profile switches the log on
  EXPECT_EQ(Snapshot(s), Snapshot(reset));
}

using St = const DisplayState&;

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteNumberTest,
    ::testing::Values(
        WriteCase{"enable", 3, 5, {}, "PIDXDisp_DeviceEnabled", [](St s) { EXPECT_EQ(s.deviceEnabled, 1); }},
        WriteCase{"disable", 3, 0, {}, "PIDXDisp_DeviceEnabled", [](St s) { EXPECT_EQ(s.deviceEnabled, 0); },
                  [](S& s) { s.SetPropertyNumber(3, 1); }},
        WriteCase{"binary conversion", 11, 1, {}, "PIDX_BinaryConversion", Unchanged},
        WriteCase{"cursor column", 5004, 4, {"1F 24 05 01"}, "PIDXDisp_CursorColumn",
                  [](St s) {
                    EXPECT_EQ(s.cursorColumn, 4);
                    EXPECT_EQ(s.moveColumn, 5);
                  }},
        WriteCase{"cursor column with the current row", 5004, 0, {"1F 24 01 02"}, "PIDXDisp_CursorColumn",
                  [](St s) { EXPECT_EQ(s.cursorColumn, 0); }, [](S& s) { s.SetPropertyNumber(5005, 1); }},
        WriteCase{"cursor column at the top of the range", 5004, INT32_MAX, {"1F 24 00 01"}, "PIDXDisp_CursorColumn",
                  [](St s) {
                    EXPECT_EQ(s.cursorColumn, -1);
                    EXPECT_EQ(s.moveColumn, 0);
                  }},
        WriteCase{"cursor column without cursor update", 5004, 4, {}, "PIDXDisp_CursorColumn",
                  [](St s) {
                    EXPECT_EQ(s.cursorColumn, 0);
                    EXPECT_EQ(s.moveColumn, 1);
                  },
                  [](S& s) { s.SetPropertyNumber(5006, 0); }},
        WriteCase{"cursor row", 5005, 1, {"1F 24 01 02"}, "PIDXDisp_CursorRow",
                  [](St s) {
                    EXPECT_EQ(s.cursorRow, 2);
                    EXPECT_EQ(s.moveRow, 2);
                  }},
        WriteCase{"negative cursor row", 5005, -2, {"1F 24 01 FF"}, "PIDXDisp_CursorRow",
                  [](St s) { EXPECT_EQ(s.cursorRow, -1); }},
        WriteCase{"cursor row with cursor update 2", 5005, 1, {}, "PIDXDisp_CursorRow",
                  [](St s) { EXPECT_EQ(s.cursorRow, 0); }, [](S& s) { s.SetPropertyNumber(5006, 2); }},
        WriteCase{"cursor update", 5006, 0, {}, nullptr, [](St s) { EXPECT_EQ(s.cursorUpdate, 0); }},
        WriteCase{"brightness", 5007, 3, {"1F 58 03"}, "PIDXDisp_DeviceBrightness",
                  [](St s) { EXPECT_EQ(s.brightness, 3); }},
        WriteCase{"brightness above 4", 5007, 9, {"1F 58 04"}, "PIDXDisp_DeviceBrightness",
                  [](St s) { EXPECT_EQ(s.brightness, 4); }},
        WriteCase{"brightness 0", 5007, 0, {"1F 58 01"}, "PIDXDisp_DeviceBrightness",
                  [](St s) { EXPECT_EQ(s.brightness, 1); }},
        WriteCase{"brightness far below", 5007, INT32_MIN, {"1F 58 01"}, "PIDXDisp_DeviceBrightness",
                  [](St s) { EXPECT_EQ(s.brightness, 1); }},
        WriteCase{"overwrite mode", 5014, 0, {"1F 01"}, "PIDXDisp_MarqueeType",
                  [](St s) { EXPECT_EQ(s.marqueeType, 0); }, [](S& s) { s.SetPropertyNumber(5014, 2); }},
        WriteCase{"vertical scroll mode", 5014, 1, {"1F 02"}, "PIDXDisp_MarqueeType",
                  [](St s) { EXPECT_EQ(s.marqueeType, 1); }},
        WriteCase{"horizontal scroll mode", 5014, 3, {"1F 03"}, "PIDXDisp_MarqueeType",
                  [](St s) { EXPECT_EQ(s.marqueeType, 3); }},
        WriteCase{"marquee type 2", 5014, 2, {}, "PIDXDisp_MarqueeType", [](St s) { EXPECT_EQ(s.marqueeType, 2); }},
        WriteCase{"marquee type -1", 5014, -1, {}, "PIDXDisp_MarqueeType",
                  [](St s) { EXPECT_EQ(s.marqueeType, -1); }},
        // The mode is chosen by the number, not by the byte kept of it.
        WriteCase{"marquee type 256", 5014, 256, {}, "PIDXDisp_MarqueeType",
                  [](St s) { EXPECT_EQ(s.marqueeType, 0); }, [](S& s) { s.SetPropertyNumber(5014, 2); }},
        WriteCase{"blink rate", 5018, 100, {"1F 45 64"}, "PIDXDisp_BlinkRate",
                  [](St s) { EXPECT_EQ(s.blinkInterval, 100); }},
        WriteCase{"blink rate above 255", 5018, 300, {"1F 45 FF"}, "PIDXDisp_BlinkRate",
                  [](St s) { EXPECT_EQ(s.blinkInterval, 255); }},
        WriteCase{"negative blink rate", 5018, -5, {"1F 45 00"}, "PIDXDisp_BlinkRate",
                  [](St s) { EXPECT_EQ(s.blinkInterval, 0); }},
        WriteCase{"cursor shown", 5019, 4, {"1F 23 01"}, "PIDXDisp_CursorType",
                  [](St s) { EXPECT_EQ(s.cursorType, 1); }},
        WriteCase{"cursor hidden", 5019, 0, {"1F 23 00"}, "PIDXDisp_CursorType",
                  [](St s) { EXPECT_EQ(s.cursorType, 0); }, [](S& s) { s.SetPropertyNumber(5019, 4); }},
        WriteCase{"other cursor type resends the current one", 5019, 2, {"1F 23 01"}, "PIDXDisp_CursorType",
                  [](St s) { EXPECT_EQ(s.cursorType, 1); }, [](S& s) { s.SetPropertyNumber(5019, 4); }},
        WriteCase{"unlisted index", 0x1234, 7, {}, nullptr, Unchanged},
        WriteCase{"readable only index", 1, 1, {}, nullptr, Unchanged}),
    [](const auto& info) { return CaseName(info.param.name); });

TEST(PropertiesTest, CursorSetThroughThePropertiesIsWhereTheNextTextLands) {
  ServiceRig rig;
  rig.OpenReady();
  rig.service.SetPropertyNumber(opos::kPidxDispCursorColumn, 4);
  rig.service.SetPropertyNumber(opos::kPidxDispCursorRow, 1);
  EXPECT_TRUE(rig.port.TookWrites({"1F 24 05 01", "1F 24 05 02"}));
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDispCursorColumn), 4);
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDispCursorRow), 1);

  EXPECT_EQ(rig.service.DisplayText(u"AB", opos::kDisplayNormal), opos::kSuccess);
  EXPECT_EQ(rig.state().textCells[24], 'A');
  EXPECT_EQ(rig.state().textCells[25], 'B');
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDispCursorColumn), 6);
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDispCursorRow), 1);
}

// One coordinate alone moves the display with the other coordinate of the last move; the
// mirror's cursor must land in the same cell, or a later scroll redraws the text elsewhere.
TEST(PropertiesTest, OneCursorCoordinateTakesTheOtherFromTheLastMove) {
  ServiceRig rig;
  rig.OpenReady();
  rig.service.DisplayTextAt(2, 18, u"end", opos::kDisplayNormal);  // the cursor wraps to row 1
  rig.service.SetPropertyNumber(opos::kPidxDispCursorColumn, 9);
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDispCursorRow), 1);
  rig.service.DisplayText(u"m", opos::kDisplayNormal);
  EXPECT_EQ(rig.state().textCells[29], 'm');

  rig.service.ClearText();
  rig.service.DisplayText(u"XYZ", opos::kDisplayNormal);
  rig.port.TakeWrites();
  rig.service.SetPropertyNumber(opos::kPidxDispCursorRow, 0);
  EXPECT_TRUE(rig.port.TookWrites({"1F 24 0A 01"}));
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDispCursorColumn), 9);
  rig.service.DisplayText(u"Q", opos::kDisplayNormal);
  EXPECT_EQ(rig.state().textCells[9], 'Q');
  EXPECT_EQ(rig.state().textCells[3], ' ');
}

TEST(PropertiesTest, NegativeCursorColumnStaysInsideTheMirror) {
  ServiceRig rig;
  rig.OpenReady();
  rig.service.SetPropertyNumber(opos::kPidxDispCursorColumn, -1);
  EXPECT_EQ(rig.service.DisplayText(u"AB", opos::kDisplayNormal), opos::kSuccess);
  EXPECT_EQ(rig.state().textCells[39], 'A');
  EXPECT_EQ(rig.state().textCells[0], 'B');
}

TEST(PropertiesTest, WritingAStringChangesAndSendsNothing) {
  ServiceRig rig;
  rig.OpenReady();
  const std::string before = Snapshot(rig.state());
  rig.service.SetPropertyString(42, u"Gr\u00FC\u00DFe \u20AC");
  rig.service.SetPropertyString(opos::kPidxDeviceName, nullptr);
  EXPECT_EQ(Snapshot(rig.state()), before);
  EXPECT_TRUE(rig.port.writes.empty());
  EXPECT_EQ(rig.logFile.contents, "SetPropertyString:0x2a,Gr\xFC\xDF" "e \x80\r\nSetPropertyString:0xf4243,\r\n");
}

}  // namespace
}  // namespace orvix::testing
