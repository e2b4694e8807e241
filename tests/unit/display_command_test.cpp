#include <gtest/gtest.h>

#include <string>

#include "link_rig.h"

namespace orvix::testing {
namespace {

// Parameter fields set to values that differ from each other and from every fixed byte, so a
// command that takes the wrong field shows.
void SetDistinctParameters(DisplayState& s) {
  s.moveColumn = 5;
  s.moveRow = 2;
  s.brightness = 4;
  s.blinkInterval = 0x32;
  s.cursorType = 1;
  s.reverseVideo = 0x11;
}

struct CommandCase {
  int32_t id;
  const char* bytes;
};

class CommandBytesTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandBytesTest, AppendsExactlyItsBytesAndWritesNothing) {
  LinkRig rig;
  SetDistinctParameters(rig.state);
  CommandBuffer buffer;
  buffer.Append({0xAA});  // commands go after what the caller already gathered
  EXPECT_TRUE(rig.link.SendCommand(&buffer, GetParam().id));
  const Bytes expected = HexBytes(std::string("AA ") + GetParam().bytes);
  EXPECT_EQ(HexDiff(expected, Bytes(buffer.data(), buffer.data() + buffer.size())), "");
  EXPECT_TRUE(rig.port.writes.empty());
  EXPECT_TRUE(rig.usb.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryId, CommandBytesTest,
    // Every command that takes a parameter field, and a few fixed ones; the rest are sent
    // through the text and property tests.
    ::testing::Values(CommandCase{0, "09"}, CommandCase{7, "1F 42"}, CommandCase{8, "1F 24 05 02"},
                      CommandCase{10, "1F 58 04"}, CommandCase{11, "1F 45 32"}, CommandCase{13, "1F 23 01"},
                      CommandCase{14, "1F 72 11"}, CommandCase{18, "1B 26 01 00 00"},
                      CommandCase{21, "1B 57 00 00 00 00 00 00"}, CommandCase{27, "1F 56 00"},
                      CommandCase{28, "02 05 45 4F 03"}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return "Id" + std::to_string(info.param.id); });

TEST(CommandBytesTest, UnknownIdsAppendAndWriteNothing) {
  for (int32_t id : {30, 31, -1, 255, INT32_MIN, INT32_MAX}) {
    LinkRig rig;
    CommandBuffer buffer;
    buffer.Append({0x41});
    EXPECT_FALSE(rig.link.SendCommand(&buffer, id)) << id;
    EXPECT_EQ(buffer.size(), 1u) << id;
    EXPECT_FALSE(rig.link.SendCommand(&buffer, id)) << id;
    EXPECT_TRUE(rig.port.writes.empty()) << id;
  }
}

TEST(CommandBytesTest, ParametersAreTakenWhenTheCommandIsSent) {
  LinkRig rig;
  CommandBuffer buffer;
  rig.state.moveColumn = 5;
  rig.state.moveRow = 2;
  rig.link.SendCommand(&buffer, kCommandCursorMove);
  rig.state.moveColumn = 20;
  rig.link.SendCommand(&buffer, kCommandCursorMove);
  rig.state.cursorType = -1;  // a signed field still goes out as its low byte
  rig.link.SendCommand(&buffer, kCommandCursorType);
  rig.state.brightness = 3;  // after the command: must not reach the buffer or the write
  rig.link.SendCommand(&buffer, kCommandFlush);
  EXPECT_TRUE(rig.port.TookWrites({"1F 24 05 02 1F 24 14 02 1F 23 FF"}));
}

TEST(FlushTest, WritesTheWholeBufferOnceAndKeepsIt) {
  LinkRig rig;
  CommandBuffer buffer;
  rig.link.SendCommand(&buffer, kCommandInitialise);
  rig.link.SendCommand(&buffer, kCommandClear);
  EXPECT_TRUE(rig.link.SendCommand(&buffer, kCommandFlush));
  EXPECT_TRUE(rig.port.TookWrites({"1B 40 0C"}));
  EXPECT_EQ(buffer.size(), 3u);
  // Flushing the same buffer again sends the same bytes again; callers flush once.
  EXPECT_TRUE(rig.link.SendCommand(&buffer, kCommandFlush));
  EXPECT_TRUE(rig.port.TookWrites({"1B 40 0C"}));
}

TEST(FlushTest, AnEmptyBufferWritesNothing) {
  LinkRig rig;
  CommandBuffer buffer;
  EXPECT_TRUE(rig.link.SendCommand(&buffer, kCommandFlush));
  EXPECT_FALSE(rig.link.SendCommand(&buffer, 30));
  EXPECT_TRUE(rig.link.SendCommand(&buffer, kCommandFlush));
  EXPECT_TRUE(rig.port.calls.empty());
}

struct FlushKindCase {
  int32_t connectionKind;
  bool withUsb;
  bool toSerial;
  bool toUsb;
};

class FlushKindTest : public ::testing::TestWithParam<FlushKindCase> {};

TEST_P(FlushKindTest, GoesToTheTransportOfTheKind) {
  const FlushKindCase& c = GetParam();
  LinkRig rig;
  DeviceLink link(rig.state, rig.serial, c.withUsb ? &rig.usb : nullptr, rig.clock);
  rig.state.connectionKind = c.connectionKind;
  CommandBuffer buffer;
  link.SendCommand(&buffer, kCommandClear);
  buffer.Append({0x41, 0x42});
  EXPECT_TRUE(link.SendCommand(&buffer, kCommandFlush));
  EXPECT_TRUE(rig.port.TookWrites(c.toSerial ? std::vector<std::string>{"0C 41 42"} : std::vector<std::string>{}));
  EXPECT_TRUE(rig.usb.TookWrites(c.toUsb ? std::vector<std::string>{"0C 41 42"} : std::vector<std::string>{}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FlushKindTest,
                         ::testing::Values(FlushKindCase{kConnectionSerial, true, true, false},
                                           FlushKindCase{kConnectionUsb, true, false, true},
                                           FlushKindCase{kConnectionUsb, false, false, false},
                                           FlushKindCase{kConnectionOther, true, false, false},
                                           FlushKindCase{0, true, false, false},
                                           FlushKindCase{-10, true, false, false}));

}  // namespace
}  // namespace orvix::testing
