#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/display_state.h"

namespace orvix {
namespace {

std::string Cells(const DisplayState& s) { return std::string(reinterpret_cast<const char*>(s.textCells), kDisplayCells); }

TEST(DisplayStateTest, ResetGivesTheOpenedDisplay) {
  DisplayState s;
  s.connectionKind = 11;
  s.logEnabled = s.claimed = s.deviceEnabled = s.strictParameters = s.zeroBasedCoordinates = 1;
  s.cursorRow = 2;
  s.cursorColumn = 7;
  s.checkHealthText = "Internal is health";
  ResetDisplayState(s);
  EXPECT_EQ(Cells(s), std::string(40, ' '));
  EXPECT_EQ(std::string(&s.modelNames[0][0], 21), "KVD5100KVD5130KVD5130");
  EXPECT_EQ(s.checkHealthText, "Disconneting");
  EXPECT_EQ(s.connectionKind, 10);
  EXPECT_EQ(s.usbDeviceSelector, 0);
  EXPECT_EQ(s.blinkInterval, 0x32);
  EXPECT_EQ(s.brightness, 1);
  EXPECT_EQ(s.moveRow, 1);
  EXPECT_EQ(s.moveColumn, 1);
  EXPECT_EQ(s.cursorUpdate, 1);
  EXPECT_EQ(s.cursorRow | s.cursorColumn | s.cursorType | s.marqueeType | s.reverseVideo, 0);
  EXPECT_EQ(s.logEnabled | s.claimed | s.deviceEnabled | s.strictParameters | s.zeroBasedCoordinates, 0);
}

struct CursorCase {
  int row, column, count;
  int expectedRow, expectedColumn;
};

class UpdateCursorTest : public ::testing::TestWithParam<CursorCase> {};

TEST_P(UpdateCursorTest, LandsWhereTheDisplayPutsItsCursor) {
  const CursorCase& c = GetParam();
  DisplayState s;
  EXPECT_TRUE(UpdateCursor(s, c.row, c.column, c.count));
  EXPECT_EQ(s.cursorRow, c.expectedRow);
  EXPECT_EQ(s.cursorColumn, c.expectedColumn);
}

INSTANTIATE_TEST_SUITE_P(Positions, UpdateCursorTest,
                         ::testing::Values(CursorCase{1, 0, 5, 1, 5},      // along row 1
                                           CursorCase{1, 15, 10, 2, 5},    // on to row 2
                                           CursorCase{2, 15, 10, 1, 5},    // from row 2 back to row 1
                                           CursorCase{1, 0, 40, 1, 0},     // a full display
                                           CursorCase{2, 19, 0, 2, 19},    // nothing written
                                           CursorCase{2, 17, 5, 1, 2},     // past the last cell
                                           CursorCase{1, 0, 85, 1, 5},     // more than twice round
                                           CursorCase{1, -3, 1, 2, 18},    // left of the first cell
                                           CursorCase{-120, -128, 0, 1, 12}));  // far negative stays inside

struct MirrorCase {
  const char* name;
  int64_t startCell;
  std::string text;
  std::string expectedCells;
};

class MirrorWriteTest : public ::testing::TestWithParam<MirrorCase> {};

TEST_P(MirrorWriteTest, StaysInsideTheFortyCells) {
  const MirrorCase& c = GetParam();
  DisplayState s;
  ResetDisplayState(s);
  // Canaries on both sides of the cells catch a write outside them (ASan sees the rest).
  s.blinkInterval = 0xAA;
  WriteMirror(s, c.startCell, reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size());
  EXPECT_EQ(Cells(s), c.expectedCells) << c.name;
  EXPECT_EQ(s.blinkInterval, 0xAA);
  EXPECT_EQ(s.checkHealthText, "Disconneting");
}

const std::string kAlphabet45 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrs";

INSTANTIATE_TEST_SUITE_P(
    Writes, MirrorWriteTest,
    ::testing::Values(
        MirrorCase{"home", 0, "AB", "AB" + std::string(38, ' ')},
        MirrorCase{"row 2", 24, "AB", std::string(24, ' ') + "AB" + std::string(14, ' ')},
        MirrorCase{"wraps to cell 0", 38, "XYZ", "Z" + std::string(37, ' ') + "XY"},
        MirrorCase{"45 bytes overwrite their start", 0, kAlphabet45, "opqrsFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn"},
        MirrorCase{"negative start", -1, "AB", "B" + std::string(38, ' ') + "A"},
        MirrorCase{"far negative start", -100, "A", std::string(20, ' ') + "A" + std::string(19, ' ')},
        MirrorCase{"far positive start", 1000000000007LL, "A", std::string(7, ' ') + "A" + std::string(32, ' ')}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

}  // namespace
}  // namespace orvix
