#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/opos.h"
#include "text_output_rig.h"

namespace orvix::testing {
namespace {

const std::string kBlank = Rows("", "");
const std::string kAbcDef = Rows("ABC", "DEF");
const std::string kLetters = Rows("ABCDEFGHIJKLMNOPQRST", "abcdefghijklmnopqrst");

struct ScrollCase {
  const char* name;
  bool strict;
  int32_t direction, units;
  std::string before;
  int32_t result;
  std::string after;  // the mirror afterwards; empty when nothing may be sent or changed
  std::string log;
};

class ScrollTextTest : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollTextTest, ShiftsTheMirrorAndRedrawsTheDisplay) {
  const ScrollCase& c = GetParam();
  TextOutputRig rig;
  rig.state.strictParameters = c.strict ? 1 : 0;
  rig.SetCells(c.before);
  rig.state.cursorRow = 2;
  rig.state.cursorColumn = 5;
  rig.state.blinkInterval = 0x11;
  rig.state.reverseVideo = 1;
  rig.state.marqueeType = 3;

  EXPECT_EQ(ScrollText(rig.state, rig.link, rig.log, c.direction, c.units), c.result);

  const std::vector<Bytes> writes = rig.port.TakeWrites();
  if (c.after.empty()) {
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(rig.Cells(), c.before);
    EXPECT_EQ(rig.state.cursorRow, 2);
    EXPECT_EQ(rig.state.cursorColumn, 5);
  } else {
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(HexDiff(HexBytes("1F 01 0C " + HexOf(c.after)), writes[0]), "");
    EXPECT_EQ(rig.Cells(), c.after);
    EXPECT_EQ(rig.state.cursorRow, 0);
    EXPECT_EQ(rig.state.cursorColumn, 0);
  }
  EXPECT_EQ(rig.logFile.contents, c.log);
  // The neighbours of the cells, and the settings a redraw must not touch.
  EXPECT_EQ(rig.state.checkHealthText, "Disconneting");
  EXPECT_EQ(rig.state.blinkInterval, 0x11);
  EXPECT_EQ(rig.state.reverseVideo, 1);
  EXPECT_EQ(rig.state.marqueeType, 3);
}

std::string Entry(const char* arguments) { return std::string("ScrollText:") + arguments + "\r\n"; }
const std::string kUpRange = "ScrollText:DISP_ST_UP Units Out of range!:OPOS_E_ILLEGAL\r\n";
const std::string kDownRange = "ScrollText:DISP_ST_DOWN Units Out of range!:OPOS_E_ILLEGAL\r\n";
const std::string kLeftRange = "ScrollText:DISP_ST_LEFT Units Out of range!:OPOS_E_ILLEGAL\r\n";
const std::string kRightRange = "ScrollText:DISP_ST_RIGHT Units Out of range!:OPOS_E_ILLEGAL\r\n";
const std::string kDirection = "ScrollText:Direction error:OPOS_E_ILLEGAL\r\n";
const std::string kNoCommand = "ScrollText:No command be executed:OPOS_E_ILLEGAL\r\n";

constexpr int32_t kUp = opos::kScrollUp, kDown = opos::kScrollDown, kLeft = opos::kScrollLeft,
                  kRight = opos::kScrollRight;
constexpr int32_t kOk = opos::kSuccess, kIllegal = opos::kIllegal;

INSTANTIATE_TEST_SUITE_P(
    Directions, ScrollTextTest,
    ::testing::Values(
        ScrollCase{"UpByOne", false, kUp, 1, kAbcDef, kOk, Rows("DEF", ""), Entry("0x1,0x1")},
        ScrollCase{"DownByOne", false, kDown, 1, kAbcDef, kOk, Rows("", "ABC"), Entry("0x2,0x1")},
        ScrollCase{"UpByNothingStillRedraws", false, kUp, 0, kAbcDef, kOk, kAbcDef, Entry("0x1,0x0")},
        ScrollCase{"UpByTwo", false, kUp, 2, kAbcDef, kOk, kBlank, Entry("0x1,0x2")},
        ScrollCase{"DownByTwo", false, kDown, 2, kAbcDef, kOk, kBlank, Entry("0x2,0x2")},
        ScrollCase{"LeftByThree", false, kLeft, 3, kLetters, kOk, Rows("DEFGHIJKLMNOPQRST", "defghijklmnopqrst"),
                   Entry("0x3,0x3")},
        ScrollCase{"RightByThree", false, kRight, 3, kLetters, kOk,
                   Rows("   ABCDEFGHIJKLMNOPQ", "   abcdefghijklmnopq"), Entry("0x4,0x3")},
        ScrollCase{"LeftByNineteen", false, kLeft, 19, kLetters, kOk, Rows("T", "t"), Entry("0x3,0x13")},
        ScrollCase{"RightByNineteen", false, kRight, 19, kLetters, kOk,
                   Rows(std::string(19, ' ') + "A", std::string(19, ' ') + "a"), Entry("0x4,0x13")},
        ScrollCase{"LeftByTheFullWidth", false, kLeft, 20, kLetters, kOk, kBlank, Entry("0x3,0x14")},
        ScrollCase{"RightByTheFullWidth", false, kRight, 20, kLetters, kOk, kBlank, Entry("0x4,0x14")}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BadUnits, ScrollTextTest,
    ::testing::Values(
        ScrollCase{"UpByFiveLenientIsUpByTwo", false, kUp, 5, kAbcDef, kOk, kBlank, Entry("0x1,0x5") + kUpRange},
        ScrollCase{"UpByFiveStrict", true, kUp, 5, kAbcDef, kIllegal, "", Entry("0x1,0x5") + kUpRange},
        ScrollCase{"DownByMinusFiveStrict", true, kDown, -5, kAbcDef, kIllegal, "",
                   Entry("0x2,0xfffffffb") + kDownRange},
        ScrollCase{"DownByLowestLenientIsNothing", false, kDown, INT32_MIN, kAbcDef, kOk, kAbcDef,
                   Entry("0x2,0x80000000") + kDownRange},
        ScrollCase{"LeftByMinusOneLenientIsNothing", false, kLeft, -1, kLetters, kOk, kLetters,
                   Entry("0x3,0xffffffff") + kLeftRange},
        ScrollCase{"LeftByTwentyOneStrict", true, kLeft, 21, kLetters, kIllegal, "", Entry("0x3,0x15") + kLeftRange},
        ScrollCase{"RightByLargestLenientIsFullWidth", false, kRight, INT32_MAX, kLetters, kOk, kBlank,
                   Entry("0x4,0x7fffffff") + kRightRange}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BadDirections, ScrollTextTest,
    ::testing::Values(
        ScrollCase{"SevenLenientRedrawsUnchanged", false, 7, 1, kAbcDef, kOk, kAbcDef,
                   Entry("0x7,0x1") + kDirection + kNoCommand},
        ScrollCase{"SevenStrict", true, 7, 1, kAbcDef, kIllegal, "", Entry("0x7,0x1") + kDirection},
        ScrollCase{"ZeroLenient", false, 0, 0, kLetters, kOk, kLetters, Entry("0x0,0x0") + kDirection + kNoCommand},
        ScrollCase{"MinusOneStrictIgnoresTheUnits", true, -1, 99, kLetters, kIllegal, "",
                   Entry("0xffffffff,0x63") + kDirection}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollTextTest, TheNextTextStartsAtHome) {
  TextOutputRig rig;
  ASSERT_EQ(rig.text.DisplayTextAt(2, 1, u"AB", 0), opos::kSuccess);
  ASSERT_EQ(ScrollText(rig.state, rig.link, rig.log, opos::kScrollUp, 1), opos::kSuccess);
  ASSERT_EQ(rig.text.DisplayText(u"C", 0), opos::kSuccess);
  EXPECT_EQ(rig.Cells(), Rows("CB"));
  EXPECT_EQ(rig.port.TakeWrites().size(), 3u);
}

}  // namespace
}  // namespace orvix::testing
