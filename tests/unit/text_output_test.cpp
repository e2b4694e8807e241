#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "common/opos.h"
#include "text_output_rig.h"

namespace orvix::testing {
namespace {

const std::string kAlphabet45 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrs";
const std::u16string kAlphabet45Wide(kAlphabet45.begin(), kAlphabet45.end());
const std::string kSpaces(kDisplayCells, ' ');

// Everything a refused call must leave as it was.
std::string Settings(const DisplayState& s) {
  return std::string(reinterpret_cast<const char*>(s.textCells), kDisplayCells) +
         std::to_string(s.blinkInterval) + "/" + std::to_string(s.reverseVideo) + "/" + std::to_string(s.moveColumn) +
         "/" + std::to_string(s.moveRow) + "/" + std::to_string(s.cursorRow) + "/" + std::to_string(s.cursorColumn);
}

struct TextCase {
  const char* name;
  std::function<void(DisplayState&)> setup;
  std::function<int32_t(TextOutput&)> call;
  int32_t result;
  std::string sent;  // the one transfer in hex; empty when nothing may be sent
  std::string cells;
  int cursorRow, cursorColumn;
  std::string log;
};

class TextOutputTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextOutputTest, SendsOneTransferAndKeepsMirrorAndCursorInStep) {
  const TextCase& c = GetParam();
  TextOutputRig rig;
  if (c.setup) c.setup(rig.state);
  const std::string before = Settings(rig.state);

  EXPECT_EQ(c.call(rig.text), c.result);

  const std::vector<Bytes> writes = rig.port.TakeWrites();
  if (c.sent.empty()) {
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(Settings(rig.state), before) << "a call that sends nothing changes nothing";
  } else {
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(HexDiff(HexBytes(c.sent), writes[0]), "");
  }
  EXPECT_EQ(rig.Cells(), c.cells);
  EXPECT_EQ(rig.state.cursorRow, c.cursorRow);
  EXPECT_EQ(rig.state.cursorColumn, c.cursorColumn);
  EXPECT_EQ(rig.logFile.contents, c.log);
}

void Strict(DisplayState& s) { s.strictParameters = 1; }
void ZeroBased(DisplayState& s) { s.zeroBasedCoordinates = 1; }
void ZeroBasedStrict(DisplayState& s) { s.zeroBasedCoordinates = s.strictParameters = 1; }
auto CursorAt(int row, int column) {
  return [=](DisplayState& s) {
    s.cursorRow = static_cast<int8_t>(row);
    s.cursorColumn = static_cast<int8_t>(column);
  };
}
// What a DisplayText with DISP_DT_BLINK_REVERSE leaves behind.
void AfterBlinkReverse(DisplayState& s) { s.reverseVideo = 1, s.blinkInterval = 1; }
void AfterBlinkReverseStrict(DisplayState& s) { AfterBlinkReverse(s), s.strictParameters = 1; }

auto Text(const char16_t* data, int32_t attribute) {
  return [=](TextOutput& t) { return t.DisplayText(data, attribute); };
}
auto TextAt(int32_t row, int32_t column, const char16_t* data, int32_t attribute) {
  return [=](TextOutput& t) { return t.DisplayTextAt(row, column, data, attribute); };
}

const char kRangeLog[] = "DisplayTextAt:Out of range!:OPOS_E_ILLEGAL\r\n";
const char kAttributeLog[] = "Attribute: Wrong attribute paramemter!:OPOS_E_ILLEGAL\r\n";
const char kOneBasedLog[] = "DisplayTextAt:coordinate system is (1,1)\r\n";
const char kZeroBasedLog[] = "DisplayTextAt:coordinate system is (0,0)\r\n";

INSTANTIATE_TEST_SUITE_P(
    DisplayText, TextOutputTest,
    ::testing::Values(
        TextCase{"RightAfterOpen", nullptr, Text(u"AB", 0), opos::kSuccess, "1F 72 00 1F 45 00 41 42", Rows("AB"), 1, 2,
                 "DisplayText:AB,0x0\r\n"},
        TextCase{"AtTheCursor", CursorAt(2, 3), Text(u"XY", 0), opos::kSuccess, "1F 72 00 1F 45 00 58 59",
                 Rows("", "   XY"), 2, 5, "DisplayText:XY,0x0\r\n"},
        TextCase{"PastTheLastCell", CursorAt(2, 18), Text(u"XYZ", 0), opos::kSuccess, "1F 72 00 1F 45 00 58 59 5A",
                 Rows("Z", std::string(18, ' ') + "XY"), 1, 1, "DisplayText:XYZ,0x0\r\n"},
        TextCase{"LongerThanTheDisplay", nullptr, Text(kAlphabet45Wide.c_str(), 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 " + HexOf(kAlphabet45), "opqrsFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn", 1, 5,
                 "DisplayText:" + kAlphabet45 + ",0x0\r\n"},
        TextCase{"EmptyLenient", nullptr, Text(u"", 0), opos::kSuccess, "", kSpaces, 0, 0,
                 "DisplayText:,0x0\r\nDisplayText:length is NULL!:OPOS_E_ILLEGAL\r\n"},
        TextCase{"EmptyStrict", Strict, Text(u"", 0), opos::kIllegal, "", kSpaces, 0, 0,
                 "DisplayText:,0x0\r\nDisplayText:length is NULL!:OPOS_E_ILLEGAL\r\n"},
        TextCase{"NullStrict", Strict, Text(nullptr, 2), opos::kIllegal, "", kSpaces, 0, 0,
                 "DisplayText:,0x2\r\nDisplayText:length is NULL!:OPOS_E_ILLEGAL\r\n"},
        TextCase{"BadAttributeLenientKeepsThePreviousOne", AfterBlinkReverse, Text(u"X", 7), opos::kSuccess,
                 "1F 72 01 1F 45 01 58", Rows("X"), 1, 1, std::string("DisplayText:X,0x7\r\n") + kAttributeLog},
        TextCase{"NegativeAttributeStrict", AfterBlinkReverseStrict, Text(u"X", -1), opos::kIllegal, "", kSpaces, 0, 0,
                 std::string("DisplayText:X,0xffffffff\r\n") + kAttributeLog},
        TextCase{"OutsideTheCodePage", nullptr, Text(u"\u00e9\u20ac\u0416", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 E9 80 3F", Rows("\xE9\x80?"), 1, 3, "DisplayText:\xE9\x80?,0x0\r\n"},
        TextCase{"LineFeedIsOneCell", nullptr, Text(u"A\nB", 0), opos::kSuccess, "1F 72 00 1F 45 00 41 0A 42",
                 Rows("A\nB"), 1, 3, "DisplayText:A\r\nB,0x0\r\n"},
        TextCase{"PercentSignsAreText", nullptr, Text(u"5%s%n", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 35 25 73 25 6E", Rows("5%s%n"), 1, 5, "DisplayText:5%s%n,0x0\r\n"},
        // Cursor fields that the cursor properties left outside the display.
        TextCase{"CursorJustBeforeTheFirstCell", CursorAt(-1, -1), Text(u"AB", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 41 42", Rows("B", std::string(19, ' ') + "A"), 1, 1, "DisplayText:AB,0x0\r\n"},
        TextCase{"CursorFarNegative", CursorAt(-128, -128), Text(u"AB", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 41 42", Rows(std::string(12, ' ') + "AB"), 1, 14, "DisplayText:AB,0x0\r\n"}),

    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    DisplayTextAt, TextOutputTest,
    ::testing::Values(
        TextCase{"RowTwoColumnFiveBlinking", nullptr, TextAt(2, 5, u"AB", 1), opos::kSuccess,
                 "1F 72 00 1F 45 32 1F 24 05 02 41 42", Rows("", "    AB"), 2, 6,
                 std::string("DisplayTextAt:0x2,0x5,AB,0x1\r\n") + kOneBasedLog},
        TextCase{"LastColumnWrapsToTheFirstCell", nullptr, TextAt(2, 20, u"AB", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 14 02 41 42", Rows("B", std::string(19, ' ') + "A"), 1, 1,
                 std::string("DisplayTextAt:0x2,0x14,AB,0x0\r\n") + kOneBasedLog},
        TextCase{"ZeroBasedHome", ZeroBased, TextAt(0, 0, u"A", 0), opos::kSuccess, "1F 72 00 1F 45 00 1F 24 01 01 41",
                 Rows("A"), 1, 1, std::string("DisplayTextAt:0x0,0x0,A,0x0\r\n") + kZeroBasedLog},
        TextCase{"ZeroBasedLastCell", ZeroBased, TextAt(1, 19, u"A", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 14 02 41", Rows("", std::string(19, ' ') + "A"), 1, 0,
                 std::string("DisplayTextAt:0x1,0x13,A,0x0\r\n") + kZeroBasedLog},
        TextCase{"RowTooLargeLenientIsClamped", nullptr, TextAt(3, 5, u"A", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 05 02 41", Rows("", "    A"), 2, 5,
                 std::string("DisplayTextAt:0x3,0x5,A,0x0\r\n") + kOneBasedLog + kRangeLog},
        TextCase{"RowTooLargeStrict", Strict, TextAt(3, 5, u"A", 0), opos::kIllegal, "", kSpaces, 0, 0,
                 std::string("DisplayTextAt:0x3,0x5,A,0x0\r\n") + kOneBasedLog + kRangeLog},
        TextCase{"ColumnTooLargeLenient", nullptr, TextAt(1, 25, u"A", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 14 01 41", Rows(std::string(19, ' ') + "A"), 2, 0,
                 std::string("DisplayTextAt:0x1,0x19,A,0x0\r\n") + kOneBasedLog + kRangeLog},
        TextCase{"ZeroIsOutsideOneBased", nullptr, TextAt(0, 0, u"A", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 01 01 41", Rows("A"), 1, 1,
                 std::string("DisplayTextAt:0x0,0x0,A,0x0\r\n") + kOneBasedLog + kRangeLog},
        TextCase{"ExtremeCoordinates", nullptr, TextAt(INT32_MIN, INT32_MAX, u"A", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 14 01 41", Rows(std::string(19, ' ') + "A"), 2, 0,
                 std::string("DisplayTextAt:0x80000000,0x7fffffff,A,0x0\r\n") + kOneBasedLog + kRangeLog},
        TextCase{"ZeroBasedLargestDoesNotOverflow", ZeroBased, TextAt(INT32_MAX, INT32_MAX, u"A", 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 14 02 41", Rows("", std::string(19, ' ') + "A"), 1, 0,
                 std::string("DisplayTextAt:0x7fffffff,0x7fffffff,A,0x0\r\n") + kZeroBasedLog + kRangeLog},
        TextCase{"ZeroBasedMinusOneStrict", ZeroBasedStrict, TextAt(-1, 0, u"A", 0), opos::kIllegal, "", kSpaces, 0, 0,
                 std::string("DisplayTextAt:0xffffffff,0x0,A,0x0\r\n") + kZeroBasedLog + kRangeLog},
        // The checks run in the order length, coordinates, attribute.
        TextCase{"EmptyStrictEndsBeforeTheCoordinates", Strict, TextAt(9, 9, u"", 9), opos::kIllegal, "", kSpaces, 0,
                 0, "DisplayTextAt:0x9,0x9,,0x9\r\nDisplayTextAt:length is NULL!:OPOS_E_ILLEGAL\r\n"},
        TextCase{"EmptyLenient", nullptr, TextAt(1, 1, nullptr, 0), opos::kSuccess, "", kSpaces, 0, 0,
                 "DisplayTextAt:0x1,0x1,,0x0\r\nDisplayTextAt:length is NULL!:OPOS_E_ILLEGAL\r\n"},
        TextCase{"BadCoordinatesAndAttributeLenient", AfterBlinkReverse, TextAt(9, 99, u"A", 4), opos::kSuccess,
                 "1F 72 01 1F 45 01 1F 24 14 02 41", Rows("", std::string(19, ' ') + "A"), 1, 0,
                 std::string("DisplayTextAt:0x9,0x63,A,0x4\r\n") + kOneBasedLog + kRangeLog + kAttributeLog},
        TextCase{"BadCoordinatesAndAttributeStrict", AfterBlinkReverseStrict, TextAt(9, 99, u"A", 4), opos::kIllegal,
                 "", kSpaces, 0, 0, std::string("DisplayTextAt:0x9,0x63,A,0x4\r\n") + kOneBasedLog + kRangeLog},
        TextCase{"BadAttributeStrict", AfterBlinkReverseStrict, TextAt(2, 3, u"A", 4), opos::kIllegal, "", kSpaces, 0,
                 0, std::string("DisplayTextAt:0x2,0x3,A,0x4\r\n") + kOneBasedLog + kAttributeLog},
        TextCase{"LongerThanTheDisplayFromRowTwo", nullptr, TextAt(2, 1, kAlphabet45Wide.c_str(), 0), opos::kSuccess,
                 "1F 72 00 1F 45 00 1F 24 01 02 " + HexOf(kAlphabet45), "UVWXYZabcdefghijklmnopqrsFGHIJKLMNOPQRST", 2,
                 5, "DisplayTextAt:0x2,0x1," + kAlphabet45 + ",0x0\r\n" + kOneBasedLog}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(ClearText, TextOutputTest,
                         ::testing::Values(TextCase{"BlanksAndHomes",
                                                    [](DisplayState& s) {
                                                      std::memcpy(s.textCells, "HELLO", 5);
                                                      s.cursorRow = 2, s.cursorColumn = 5;
                                                    },
                                                    [](TextOutput& t) { return t.ClearText(); }, opos::kSuccess, "0C",
                                                    kSpaces, 0, 0, "ClearText\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct AttributeCase {
  int32_t attribute;
  uint8_t reverseVideo;
  uint8_t blinkForDisplayText;
  uint8_t blinkForDisplayTextAt;
};

class AttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeTest, SetsReverseAndBlinkBeforeEveryText) {
  const AttributeCase& c = GetParam();
  TextOutputRig rig;
  rig.state.blinkInterval = 7;  // as the blink-rate property may have left it
  rig.state.reverseVideo = 1;

  ASSERT_EQ(rig.text.DisplayText(u"A", c.attribute), opos::kSuccess);
  EXPECT_EQ(rig.state.reverseVideo, c.reverseVideo);
  EXPECT_EQ(rig.state.blinkInterval, c.blinkForDisplayText);
  ASSERT_EQ(rig.text.DisplayTextAt(1, 1, u"A", c.attribute), opos::kSuccess);
  EXPECT_EQ(rig.state.reverseVideo, c.reverseVideo);
  EXPECT_EQ(rig.state.blinkInterval, c.blinkForDisplayTextAt);

  const std::vector<Bytes> writes = rig.port.TakeWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(HexDiff(Bytes{0x1F, 0x72, c.reverseVideo, 0x1F, 0x45, c.blinkForDisplayText, 0x41}, writes[0]), "");
  EXPECT_EQ(HexDiff(Bytes{0x1F, 0x72, c.reverseVideo, 0x1F, 0x45, c.blinkForDisplayTextAt, 0x1F, 0x24, 1, 1, 0x41},
                    writes[1]),
            "");
}

INSTANTIATE_TEST_SUITE_P(Attributes, AttributeTest,
                         ::testing::Values(AttributeCase{opos::kDisplayNormal, 0, 0, 0},
                                           AttributeCase{opos::kDisplayBlink, 0, 1, 0x32},
                                           AttributeCase{opos::kDisplayReverse, 1, 0, 0},
                                           AttributeCase{opos::kDisplayBlinkReverse, 1, 1, 0x32}));

TEST(TextOutputTest, ClearTextKeepsTheAttributeAndMoveSettings) {
  TextOutputRig rig;
  ASSERT_EQ(rig.text.DisplayTextAt(2, 7, u"A", opos::kDisplayBlinkReverse), opos::kSuccess);
  ASSERT_EQ(rig.text.ClearText(), opos::kSuccess);
  EXPECT_EQ(rig.state.blinkInterval, 0x32);
  EXPECT_EQ(rig.state.reverseVideo, 1);
  EXPECT_EQ(rig.state.moveColumn, 7);
  EXPECT_EQ(rig.state.moveRow, 2);
}

TEST(TextOutputTest, ConsecutiveTextsFollowTheCursor) {
  TextOutputRig rig;
  ASSERT_EQ(rig.text.DisplayTextAt(1, 18, u"ABC", 0), opos::kSuccess);
  ASSERT_EQ(rig.text.DisplayText(u"DE", 0), opos::kSuccess);
  EXPECT_EQ(rig.Cells(), Rows(std::string(17, ' ') + "ABC", "DE"));
  EXPECT_EQ(rig.state.cursorRow, 2);
  EXPECT_EQ(rig.state.cursorColumn, 2);
  ASSERT_EQ(rig.text.ClearText(), opos::kSuccess);
  ASSERT_EQ(rig.text.DisplayText(u"F", 0), opos::kSuccess);
  EXPECT_EQ(rig.Cells(), Rows("F"));
}

TEST(TextOutputTest, AVeryLongTextLeavesWhole) {
  TextOutputRig rig;
  std::u16string text(5000, u'x');
  text[4999] = u'y';
  ASSERT_EQ(rig.text.DisplayText(text.c_str(), 0), opos::kSuccess);
  const std::vector<Bytes> writes = rig.port.TakeWrites();
  ASSERT_EQ(writes.size(), 1u);
  ASSERT_EQ(writes[0].size(), 6u + 5000u);
  EXPECT_EQ(writes[0].back(), 'y');
  EXPECT_EQ(rig.state.textCells[4999 % kDisplayCells], 'y');
  EXPECT_EQ(rig.state.cursorColumn, 0);  // 5000 cells on: back at the first cell
  EXPECT_EQ(rig.state.cursorRow, 1);
}

TEST(TextOutputTest, AWriteThatFailsIsNotSeen) {
  TextOutputRig rig;
  rig.port.Close();
  EXPECT_EQ(rig.text.DisplayText(u"AB", 0), opos::kSuccess);
  EXPECT_EQ(rig.text.DisplayTextAt(2, 1, u"C", 0), opos::kSuccess);
  EXPECT_TRUE(rig.port.TakeWrites().empty());
  EXPECT_EQ(rig.Cells(), Rows("AB", "C"));
  EXPECT_EQ(rig.state.cursorRow, 2);
  EXPECT_EQ(rig.state.cursorColumn, 1);
}

struct ConversionCase {
  const char* name;
  std::u16string text;
  std::string expected;
};

class BstrToMultibyteTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(BstrToMultibyteTest, ConvertsToTheAnsiCodePage) {
  const ConversionCase& c = GetParam();
  FakeAnsiCodec ansi;
  EXPECT_EQ(BstrToMultibyte(ansi, c.text.c_str()), c.expected);
  // First the size with the terminator, then the conversion into exactly that many bytes.
  const int size = static_cast<int>(c.expected.size()) + 1;
  EXPECT_EQ(ansi.destinationSizes, (std::vector<int>{0, size}));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BstrToMultibyteTest,
    // The characters themselves are the codec's business; one that maps shows they pass through.
    ::testing::Values(ConversionCase{"Empty", u"", ""},
                      ConversionCase{"Cp1252Extras", u"\u20ac\u2013\u201c\u0178", "\x80\x96\x93\x9F"},
                      ConversionCase{"EndsAtTheFirstNul", std::u16string(u"AB\0CD", 5), "AB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BstrToMultibyteTest, NullAndFailedConversionsGiveTheEmptyText) {
  FakeAnsiCodec ansi;
  EXPECT_EQ(BstrToMultibyte(ansi, nullptr), "");
  EXPECT_TRUE(ansi.destinationSizes.empty());
  ansi.fails = true;
  EXPECT_EQ(BstrToMultibyte(ansi, u"AB"), "");
}

}  // namespace
}  // namespace orvix::testing
