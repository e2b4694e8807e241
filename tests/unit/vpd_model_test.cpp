// The virtual pole display's model: byte streams as the service object sends them, and the
// two rows a person would read on the glass afterwards, written out by hand.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "model/command_parser.h"
#include "model/glyphs.h"
#include "model/hex_text.h"
#include "model/reply_plan.h"
#include "model/virtual_screen.h"

namespace orvix::vpd {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct Rows {
  std::string top;
  std::string bottom;
};

Rows RowsOf(const VirtualScreen& screen) { return {RowText(screen, 0), RowText(screen, 1)}; }

struct StreamCase {
  const char* name;
  Bytes stream;
  const char* top;     // exactly 20 characters
  const char* bottom;  // exactly 20 characters
};

std::vector<StreamCase> StreamCases() {
  return {
      {"text from home", Text("HELLO"), "HELLO               ", "                    "},
      {"row 1 runs on into row 2", Text("ABCDEFGHIJKLMNOPQRSTUVWXY"), "ABCDEFGHIJKLMNOPQRST",
       "UVWXY               "},
      {"after cell 39 comes cell 0", Text("ABCDEFGHIJKLMNOPQRSTabcdefghijklmnopqrst12345"),
       "12345FGHIJKLMNOPQRST", "abcdefghijklmnopqrst"},
      {"clear blanks and homes", Join({Text("ABC"), {0x1F, 0x24, 0x03, 0x02}, Text("XY"), {0x0C}, Text("D")}),
       "D                   ", "                    "},
      {"initialise blanks and homes", Join({Text("ABCDEFGHIJKLMNOPQRSTUV"), {0x1B, 0x40}, Text("Z")}),
       "Z                   ", "                    "},
      {"cursor move counts from 1", Join({{0x1F, 0x24, 0x05, 0x02}, Text("AB")}), "                    ",
       "    AB              "},
      {"cursor move to the last cell, then wrap",
       Join({{0x1F, 0x72, 0x00, 0x1F, 0x45, 0x00, 0x1F, 0x24, 0x14, 0x02}, Text("AB")}),
       "B                   ", "                   A"},
      {"cursor move off the glass is ignored",
       Join({Text("AB"), {0x1F, 0x24, 0x00, 0x01}, Text("C"), {0x1F, 0x24, 0x15, 0x01}, Text("D"),
             {0x1F, 0x24, 0x01, 0x03}, Text("E")}),
       "ABCDE               ", "                    "},
      {"redraw after a scroll", Join({{0x1F, 0x01, 0x0C}, Text("DEF                                     ")}),
       "DEF                 ", "                    "},
      {"vertical mode scrolls the rows up",
       Join({{0x1F, 0x02}, Text("ABCDEFGHIJKLMNOPQRSTabcdefghijklmnopqrstXY")}), "abcdefghijklmnopqrst",
       "XY                  "},
      {"vertical mode keeps a full display until the next character",
       Join({{0x1F, 0x02}, Text("ABCDEFGHIJKLMNOPQRSTabcdefghijklmnopqrst")}), "ABCDEFGHIJKLMNOPQRST",
       "abcdefghijklmnopqrst"},
      {"horizontal mode moves the row left", Join({{0x1F, 0x03}, Text("ABCDEFGHIJKLMNOPQRSTUV")}),
       "CDEFGHIJKLMNOPQRSTUV", "                    "},
      {"horizontal mode on row 2 leaves row 1 alone",
       Join({Text("top"), {0x1F, 0x03, 0x1F, 0x24, 0x12, 0x02}, Text("12345")}), "top                 ",
       "               12345"},
      {"back to overwrite after a full row in horizontal mode",
       Join({{0x1F, 0x03}, Text("ABCDEFGHIJKLMNOPQRST"), {0x1F, 0x01}, Text("x")}), "ABCDEFGHIJKLMNOPQRST",
       "x                   "},
      {"parameter bytes never reach the glass",
       Join({{0x1B, 0x57, 'a', 'b', 'c', 'd', 'e', 'f'}, Text("1"), {0x1B, 0x26, 'g', 'h', 'i'}, Text("2"),
             {0x1F, 0x5E, 'j', 'k'}, Text("3"), {0x1F, 0x54, 'l', 'm'}, Text("4"), {0x1F, 0x56, 'n'}, Text("5"),
             {0x1F, 0x58, 'o'}, {0x1F, 0x45, 'p'}, {0x1F, 0x72, 'q'}, {0x1F, 0x23, 'r'}, Text("6")}),
       "123456              ", "                    "},
      {"commands without parameters",
       Join({{0x1B, 0x3F, 0x1B, 0x25, 0x1F, 0x3A, 0x1F, 0x40, 0x1F, 0x55, 0x1F, 0x0A, 0x1F, 0x0D, 0x1F, 0x42},
             Text("ok")}),
       "ok                  ", "                    "},
      {"single control bytes take no cell", Join({{0x08, 0x09, 0x0A, 0x0B, 0x0D, 0x00, 0x7F, 0x1A}, Text("A")}),
       "A                   ", "                    "},
      {"an unknown sequence swallows its second byte", Join({{0x1F, 0x99}, Text("A"), {0x1B, 'Q'}, Text("B")}),
       "AB                  ", "                    "},
      {"a lone ESC does not swallow the next command", Join({{0x1B, 0x1F, 0x24, 0x03, 0x01}, Text("A")}),
       "  A                 ", "                    "},
      {"a broken identification request leaves the text", Join({{0x02, 0x05, 0x45}, Text("ABC")}),
       "ABC                 ", "                    "},
      {"identification request amid text", Join({Text("AB"), {0x02, 0x05, 0x45, 0x4F, 0x03}, Text("C")}),
       "ABC                 ", "                    "},
      {"code page 1252 characters", Bytes{'c', 'a', 'f', 0xE9, ' ', 0x80, 0x81}, "caf\u00e9 \u20ac?             ",
       "                    "},
  };
}

class VpdStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(VpdStreamTest, RowsAfterWholeStream) {
  const StreamCase& c = GetParam();
  VirtualScreen screen;
  CommandParser parser(screen);
  parser.Feed(c.stream.data(), c.stream.size());
  Rows rows = RowsOf(screen);
  EXPECT_EQ(rows.top, c.top);
  EXPECT_EQ(rows.bottom, c.bottom);
  EXPECT_FALSE(parser.HasPartialCommand());
}

// The serial line delivers a write in pieces of any size; every cut must give the same rows.
TEST_P(VpdStreamTest, RowsAfterStreamCutAnywhere) {
  const StreamCase& c = GetParam();
  for (size_t cut = 1; cut < c.stream.size(); ++cut) {
    VirtualScreen screen;
    CommandParser parser(screen);
    parser.Feed(c.stream.data(), cut);
    parser.Feed(c.stream.data() + cut, c.stream.size() - cut);
    Rows rows = RowsOf(screen);
    EXPECT_EQ(rows.top, c.top) << "cut after byte " << cut;
    EXPECT_EQ(rows.bottom, c.bottom) << "cut after byte " << cut;
  }
  VirtualScreen screen;
  CommandParser parser(screen);
  for (uint8_t byte : c.stream) parser.Feed(&byte, 1);
  EXPECT_EQ(RowText(screen, 0), c.top) << "byte by byte";
  EXPECT_EQ(RowText(screen, 1), c.bottom) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(VpdStreams, VpdStreamTest, ::testing::ValuesIn(StreamCases()),
                         [](const ::testing::TestParamInfo<StreamCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p) {
                             name += (std::isalnum(static_cast<unsigned char>(*p)) != 0) ? *p : '_';
                           }
                           return name;
                         });

struct CursorCase {
  const char* name;
  Bytes stream;
  int row;     // counted from 1
  int column;  // counted from 1; 21 = past the end of a row in a scroll mode
};

TEST(VpdVirtualScreenTest, CursorPosition) {
  const CursorCase cases[] = {
      {"home", {}, 1, 1},
      {"after 5 characters", Text("ABCDE"), 1, 6},
      {"after 20 characters", Text("ABCDEFGHIJKLMNOPQRST"), 2, 1},
      {"after 40 characters", Text(std::string(40, 'x')), 1, 1},
      {"5 characters from row 2 column 18", Join({{0x1F, 0x24, 0x12, 0x02}, Text("abcde")}), 1, 3},
      {"clear", Join({Text("ABC"), {0x0C}}), 1, 1},
      {"vertical mode, full display", Join({{0x1F, 0x02}, Text(std::string(40, 'x'))}), 2, 21},
      {"horizontal mode, full row", Join({{0x1F, 0x03}, Text(std::string(25, 'x'))}), 1, 21},
  };
  for (const CursorCase& c : cases) {
    VirtualScreen screen;
    CommandParser parser(screen);
    parser.Feed(c.stream.data(), c.stream.size());
    EXPECT_EQ(screen.CursorRow() + 1, c.row) << c.name;
    EXPECT_EQ(screen.CursorColumn() + 1, c.column) << c.name;
  }
}

struct SettingsCase {
  const char* name;
  Bytes stream;
  int brightness;
  int blink;
  bool reverse;
  bool cursorShown;
  ScrollMode mode;
};

TEST(VpdVirtualScreenTest, Settings) {
  const SettingsCase cases[] = {
      {"power-on", {}, 4, 0, false, false, ScrollMode::kOverwrite},
      {"brightness 1 and 3", {0x1F, 0x58, 0x01, 0x1F, 0x58, 0x03}, 3, 0, false, false, ScrollMode::kOverwrite},
      {"brightness 0 and 5 are refused", {0x1F, 0x58, 0x02, 0x1F, 0x58, 0x00, 0x1F, 0x58, 0x05}, 2, 0, false, false,
       ScrollMode::kOverwrite},
      {"blink as DisplayTextAt sends it", {0x1F, 0x45, 0x32}, 4, 0x32, false, false, ScrollMode::kOverwrite},
      {"blink then no blink", {0x1F, 0x45, 0x01, 0x1F, 0x45, 0x00}, 4, 0, false, false, ScrollMode::kOverwrite},
      {"reverse on", {0x1F, 0x72, 0x01}, 4, 0, true, false, ScrollMode::kOverwrite},
      {"reverse 2 is refused", {0x1F, 0x72, 0x01, 0x1F, 0x72, 0x02}, 4, 0, true, false, ScrollMode::kOverwrite},
      {"cursor shown", {0x1F, 0x23, 0x01}, 4, 0, false, true, ScrollMode::kOverwrite},
      {"vertical mode", {0x1F, 0x02}, 4, 0, false, false, ScrollMode::kVertical},
      {"horizontal mode", {0x1F, 0x03}, 4, 0, false, false, ScrollMode::kHorizontal},
      {"clear keeps the settings", {0x1F, 0x58, 0x02, 0x1F, 0x72, 0x01, 0x1F, 0x03, 0x0C}, 2, 0, true, false,
       ScrollMode::kHorizontal},
      {"initialise restores the defaults",
       {0x1F, 0x58, 0x02, 0x1F, 0x45, 0x32, 0x1F, 0x72, 0x01, 0x1F, 0x23, 0x01, 0x1F, 0x02, 0x1B, 0x40}, 4, 0, false,
       false, ScrollMode::kOverwrite},
  };
  for (const SettingsCase& c : cases) {
    VirtualScreen screen;
    CommandParser parser(screen);
    parser.Feed(c.stream.data(), c.stream.size());
    EXPECT_EQ(screen.Brightness(), c.brightness) << c.name;
    EXPECT_EQ(screen.BlinkInterval(), c.blink) << c.name;
    EXPECT_EQ(screen.Reverse(), c.reverse) << c.name;
    EXPECT_EQ(screen.CursorShown(), c.cursorShown) << c.name;
    EXPECT_EQ(screen.Mode(), c.mode) << c.name;
  }
}

TEST(VpdCommandParserTest, CountsWhatItDidNotApply) {
  VirtualScreen screen;
  CommandParser parser(screen);
  const Bytes stream = {0x1F, 0x58, 0x09,  // brightness off the scale: rejected
                        0x1B, 0x3F,        // known, no effect: ignored
                        0x09,              // known, no effect: ignored
                        0x1F, 0x99,        // unknown: rejected
                        0x00,              // unknown: rejected
                        0x0C};             // applied
  parser.Feed(stream.data(), stream.size());
  EXPECT_EQ(parser.Counts().rejected, 3u);
  EXPECT_EQ(parser.Counts().ignored, 2u);
  EXPECT_EQ(parser.Counts().applied, 1u);
}

TEST(VpdCommandParserTest, IdentificationRequests) {
  const Bytes request = {0x02, 0x05, 0x45, 0x4F, 0x03};
  VirtualScreen screen;
  CommandParser parser(screen);
  EXPECT_EQ(parser.Feed(request.data(), request.size()), 1u);

  // Cut in the middle: the request counts when its last byte arrives.
  EXPECT_EQ(parser.Feed(request.data(), 3), 0u);
  EXPECT_TRUE(parser.HasPartialCommand());
  EXPECT_EQ(parser.Feed(request.data() + 3, 2), 1u);

  const Bytes twice = Join({request, request});
  EXPECT_EQ(parser.Feed(twice.data(), twice.size()), 2u);

  // A stray STX before a request must not hide it.
  const Bytes stray = Join({{0x02}, request});
  EXPECT_EQ(parser.Feed(stray.data(), stray.size()), 1u);

  const Bytes wrongEnd = {0x02, 0x05, 0x45, 0x4F, 0x04};
  EXPECT_EQ(parser.Feed(wrongEnd.data(), wrongEnd.size()), 0u);
  EXPECT_EQ(parser.Counts().identificationRequests, 5u);
  EXPECT_EQ(RowText(screen, 0), "                    ");
}

TEST(VpdCommandParserTest, DroppingACutCommand) {
  VirtualScreen screen;
  CommandParser parser(screen);
  const Bytes head = {0x1F, 0x24, 0x05};
  parser.Feed(head.data(), head.size());
  parser.DropPartialCommand();
  const Bytes next = Text("AB");
  parser.Feed(next.data(), next.size());
  EXPECT_EQ(RowText(screen, 0), "AB                  ");
}

// Every byte stream must leave the screen in a sane state; a fixed pseudo-random walk over
// all byte values keeps the cursor and the settings inside their ranges.
TEST(VpdCommandParserTest, AnyBytesKeepTheScreenSane) {
  VirtualScreen screen;
  CommandParser parser(screen);
  uint32_t seed = 12345;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245u + 12345u;
    uint8_t byte = static_cast<uint8_t>(seed >> 16);
    // Lean towards command bytes so that parameters of every kind get exercised.
    if ((seed >> 8) % 7 == 0) byte = (seed >> 12) % 2 == 0 ? 0x1F : 0x1B;
    parser.Feed(&byte, 1);
    ASSERT_GE(screen.CursorRow(), 0);
    ASSERT_LT(screen.CursorRow(), kRows);
    ASSERT_GE(screen.CursorColumn(), 0);
    ASSERT_LE(screen.CursorColumn(), kColumns);
    ASSERT_GE(screen.Brightness(), 1);
    ASSERT_LE(screen.Brightness(), 4);
  }
}

struct PlanCase {
  const char* text;
  bool ok;
  Bytes bytes;
  uint32_t delayMs;
};

TEST(VpdReplyPlanTest, Parse) {
  const Bytes kvd5100 = {0x07, 'K', 'V', 'D', '5', '1', '0', '0'};
  const PlanCase cases[] = {
      {"KVD5100", true, kvd5100, 0},
      {"ABC DEF", true, {0x07, 'A', 'B', 'C', ' ', 'D', 'E', 'F'}, 0},
      {"silent", true, {}, 0},
      {"late 1500 KVD5100", true, kvd5100, 1500},
      {"lead 06 KVD5100", true, {0x06, 'K', 'V', 'D', '5', '1', '0', '0'}, 0},
      {"late 2100 lead 06 KVD5100", true, {0x06, 'K', 'V', 'D', '5', '1', '0', '0'}, 2100},
      {"raw 06 4B 56", true, {0x06, 0x4B, 0x56}, 0},
      {"late 10 raw 07", true, {0x07}, 10},
      {"KVD510", false, {}, 0},
      {"KVD51000", false, {}, 0},
      {"", false, {}, 0},
      {"late KVD5100", false, {}, 0},
      {"late 700000 KVD5100", false, {}, 0},
      {"raw 0", false, {}, 0},
      {"raw zz", false, {}, 0},
      {"lead 6 KVD5100", false, {}, 0},
      {"lead 0606 KVD5100", false, {}, 0},
      {"lead 06 KVD51", false, {}, 0},
  };
  for (const PlanCase& c : cases) {
    ReplyPlan plan;
    plan.delayMs = 777;
    std::string why;
    EXPECT_EQ(ParseReplyPlan(c.text, &plan, &why), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(plan.bytes, c.bytes) << c.text;
      EXPECT_EQ(plan.delayMs, c.delayMs) << c.text;
    } else {
      EXPECT_FALSE(why.empty()) << c.text;
      EXPECT_EQ(plan.delayMs, 777u) << c.text << ": a refused plan must leave the old one";
    }
  }
}

ReplyPlan PlanFrom(const char* text) {
  ReplyPlan plan;
  std::string why;
  EXPECT_TRUE(ParseReplyPlan(text, &plan, &why)) << text << ": " << why;
  return plan;
}

// The client's first read gives up after 1000 ms; a reply at 1500 ms must not be there
// before then, and must be there for the retry.
TEST(VpdReplyQueueTest, LateReplyComesAtItsTime) {
  ReplyQueue queue;
  queue.Schedule(10000, PlanFrom("late 1500 KVD5130"));
  EXPECT_EQ(queue.MillisecondsUntilNext(10000), 1500);
  EXPECT_TRUE(queue.TakeDue(11000).empty());
  EXPECT_EQ(queue.MillisecondsUntilNext(11000), 500);
  EXPECT_TRUE(queue.TakeDue(11499).empty());
  EXPECT_EQ(queue.TakeDue(11500), (Bytes{0x07, 'K', 'V', 'D', '5', '1', '3', '0'}));
  EXPECT_EQ(queue.MillisecondsUntilNext(11500), -1);
}

TEST(VpdReplyQueueTest, RepliesLeaveInOrderOfTheirTime) {
  ReplyQueue queue;
  queue.Schedule(0, PlanFrom("late 100 raw 01"));
  queue.Schedule(50, PlanFrom("raw 02"));
  queue.Schedule(60, PlanFrom("late 40 raw 03"));  // due at 100, after the first one
  queue.Schedule(60, PlanFrom("silent"));
  EXPECT_EQ(queue.Pending(), 3u);
  EXPECT_EQ(queue.TakeDue(50), Bytes{0x02});
  EXPECT_EQ(queue.TakeDue(100), (Bytes{0x01, 0x03}));
}

TEST(VpdReplyQueueTest, FloodOfRequestsIsBounded) {
  ReplyQueue queue;
  for (int i = 0; i < 1000; ++i) queue.Schedule(0, PlanFrom("late 5 KVD5100"));
  EXPECT_EQ(queue.Pending(), ReplyQueue::kMaxPending);
  queue.Clear();
  EXPECT_EQ(queue.MillisecondsUntilNext(0), -1);
}

TEST(VpdHexTextTest, FormatAndParse) {
  const Bytes bytes = {0x1B, 0x40, 0x0C, 0xFF};
  EXPECT_EQ(FormatHex(bytes.data(), bytes.size()), "1B 40 0C FF");
  EXPECT_EQ(FormatHex(nullptr, 0), "");
  for (const char* text : {"1B 40 0C FF", "1b400cff", " 1B\t40 0c ff "}) {
    Bytes parsed;
    EXPECT_TRUE(ParseHex(text, &parsed)) << text;
    EXPECT_EQ(parsed, bytes) << text;
  }
  Bytes untouched = {0x55};
  for (const char* text : {"1B4", "1G", "0x1B"}) {
    EXPECT_FALSE(ParseHex(text, &untouched)) << text;
    EXPECT_EQ(untouched, Bytes{0x55}) << text;
  }
}

}  // namespace
}  // namespace orvix::vpd
