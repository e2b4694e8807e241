#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "link_rig.h"

namespace orvix::testing {
namespace {

constexpr const char* kRequest = "02 05 45 4F 03";

// "07 4B 56 44 35 31 30 30" for "KVD5100".
std::string ReplyFor(const char* model, const char* mark = "07") {
  std::string hex = mark;
  for (const char* c = model; *c != '\0'; ++c) {
    char byte[4];
    std::snprintf(byte, sizeof byte, " %02X", static_cast<unsigned char>(*c));
    hex += byte;
  }
  return hex;
}

enum class Modem { kCtsOn, kCtsOff, kUnreadable };

// One read of the exchange: what arrives, or silence until the read's time-out.
struct Answer {
  enum Kind { kReply, kSilence, kPartial } kind;
  std::string hex;
};
Answer Reply(const std::string& hex) { return {Answer::kReply, hex}; }
Answer Silence() { return {Answer::kSilence, ""}; }
Answer Partial(const std::string& hex) { return {Answer::kPartial, hex}; }

struct IdentifyCase {
  const char* name;
  std::vector<Answer> answers;
  Modem modem;
  bool identified;
  size_t reads;
  bool staysOpen;
  uint32_t elapsedMs;  // on the injected clock, reads' waits included
};

void PrintTo(const IdentifyCase& c, std::ostream* out) { *out << c.name; }

class IdentifyDeviceTest : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(IdentifyDeviceTest, JudgesTheAnswer) {
  const IdentifyCase& c = GetParam();
  LinkRig rig;
  rig.port.modemStatusReadable = c.modem != Modem::kUnreadable;
  rig.port.modemStatus = c.modem == Modem::kCtsOff ? 0x20 : 0x30;  // DSR alone is not presence
  for (const Answer& a : c.answers) {
    if (a.kind == Answer::kReply) rig.port.QueueReply(a.hex);
    if (a.kind == Answer::kSilence) rig.port.QueueSilence();
    if (a.kind == Answer::kPartial) rig.port.QueuePartial(a.hex);
  }
  const uint32_t start = rig.clock.now();

  EXPECT_EQ(IdentifyDevice(rig.link), c.identified);

  EXPECT_TRUE(rig.port.TookWrites({kRequest}));  // asked once, in one write
  EXPECT_EQ(rig.port.readTimeouts.size(), c.reads);
  EXPECT_EQ(rig.port.IsOpen(), c.staysOpen);
  // Every wait between reads lets window messages through.
  EXPECT_EQ(rig.clock.pumps > 0, c.reads > 1);
  // Each busy wait costs the fake clock up to two ticks beyond its length.
  const uint32_t waits = c.reads > 1 ? 2 * static_cast<uint32_t>(c.reads - 1) : 0;
  EXPECT_GE(rig.ElapsedSince(start), c.elapsedMs);
  EXPECT_LE(rig.ElapsedSince(start), c.elapsedMs + 2 * waits);
  EXPECT_TRUE(rig.port.replies.empty()) << "the exchange stopped before reading every answer";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IdentifyDeviceTest,
    ::testing::Values(
        IdentifyCase{"Kvd5100", {Reply(ReplyFor("KVD5100"))}, Modem::kCtsOn, true, 1, true, 0},
        IdentifyCase{"Kvd5130", {Reply(ReplyFor("KVD5130"))}, Modem::kCtsOn, true, 1, true, 0},
        IdentifyCase{"OtherModelClosesThePort", {Reply(ReplyFor("KVD5200"))}, Modem::kCtsOn, false, 1, false, 0},
        IdentifyCase{"ModelNamesAreCaseSensitive", {Reply(ReplyFor("kvd5100"))}, Modem::kCtsOn, false, 1, false, 0},
        IdentifyCase{"ReplyCutShortIsAnOtherModel", {Partial(ReplyFor("KVD"))}, Modem::kCtsOn, false, 1, false, 1000},
        IdentifyCase{"WrongMarkThreeRetriesThenFalse",
                     {Reply(ReplyFor("KVD5100", "06")), Reply(ReplyFor("KVD5100", "06")),
                      Reply(ReplyFor("KVD5100", "06")), Reply(ReplyFor("KVD5100", "06"))},
                     Modem::kCtsOn, false, 4, true, 3 * 120},
        IdentifyCase{"SilenceTakesAboutFourPointFourSeconds",
                     {Silence(), Silence(), Silence(), Silence()},
                     Modem::kCtsOn, false, 4, true, 1000 + 3 * (100 + 1000 + 20)},
        IdentifyCase{"LateAnswerOnTheSecondRetry",
                     {Silence(), Silence(), Reply(ReplyFor("KVD5100"))},
                     Modem::kCtsOn, true, 3, true, 1000 + (100 + 1000 + 20) + (100 + 20)},
        IdentifyCase{"LateAnswerOnTheLastRetry",
                     {Silence(), Silence(), Silence(), Reply(ReplyFor("KVD5130"))},
                     Modem::kCtsOn, true, 4, true, 1000 + 2 * (100 + 1000 + 20) + (100 + 20)},
        IdentifyCase{"LateOtherModelClosesThePort",
                     {Reply(ReplyFor("KVD5100", "06")), Reply(ReplyFor("ABCDEFG"))},
                     Modem::kCtsOn, false, 2, false, 120},
        IdentifyCase{"EmptyReadsAreNoAnswer", {Reply(""), Reply(""), Reply(""), Reply("")}, Modem::kCtsOn, false,
                     4, true, 3 * 120},
        IdentifyCase{"ShortAnswerIsNotCompletedByAnEarlierOne",
                     {Reply(ReplyFor("KVD5100", "06")), Partial("07")},
                     Modem::kCtsOn, false, 2, false, 100 + 1000 + 20},
        IdentifyCase{"CtsOffIsNotAsked", {}, Modem::kCtsOff, true, 0, true, 0},
        IdentifyCase{"UnreadableModemStatusCountsAsPresent", {Reply(ReplyFor("KVD5100"))}, Modem::kUnreadable,
                     true, 1, true, 0}),
    [](const ::testing::TestParamInfo<IdentifyCase>& info) { return info.param.name; });

TEST(IdentifyDeviceTest, AsksBeforeLookingAtTheLineAndReadsEightBytes) {
  LinkRig rig;
  rig.port.QueueReply(ReplyFor("KVD5100") + " 41 42");  // anything beyond eight bytes is not taken
  EXPECT_TRUE(IdentifyDevice(rig.link));
  EXPECT_EQ(rig.port.calls, (std::vector<std::string>{"Write 5", "GetModemStatus", "Read 8"}));
}

TEST(IdentifyDeviceTest, OnlyTheFirstTwoModelsAreAccepted) {
  LinkRig rig;
  std::memcpy(rig.state.modelNames[2], "KVD9999", kModelNameLength);
  rig.port.QueueReply(ReplyFor("KVD9999"));
  EXPECT_FALSE(IdentifyDevice(rig.link));
}

TEST(IdentifyDeviceTest, AReleaseFromAWindowMessageDuringTheWaitEndsQuietly) {
  LinkRig rig;
  rig.port.QueueSilence();
  rig.port.QueueReply(ReplyFor("KVD5100"));  // never read: the port is gone
  rig.clock.onPump = [&] { rig.link.Close(); };
  EXPECT_FALSE(IdentifyDevice(rig.link));
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.port.readTimeouts.size(), 4u);
}

TEST(IdentifyDeviceTest, AnOpenServiceFromAWindowMessageDuringTheWaitRunsItsOwnExchange) {
  LinkRig rig;
  rig.port.QueueSilence();                   // the outer exchange's first read
  rig.port.QueueReply(ReplyFor("KVD5130"));  // read by the nested exchange
  bool nestedResult = false;
  int nested = 0;
  rig.clock.onPump = [&] {
    if (nested++ == 0) nestedResult = IdentifyDevice(rig.link);
  };
  EXPECT_FALSE(IdentifyDevice(rig.link));  // its three retries hear nothing more
  EXPECT_TRUE(nestedResult);
  EXPECT_TRUE(rig.port.TookWrites({kRequest, kRequest}));
  EXPECT_EQ(rig.port.readTimeouts.size(), 5u);
}

struct PresenceCase {
  int32_t connectionKind;
  bool portOpen;
  bool statusReadable;
  uint32_t status;
  bool present;
};

class IsDevicePresentTest : public ::testing::TestWithParam<PresenceCase> {};

TEST_P(IsDevicePresentTest, FollowsCtsOnTheSerialPortOnly) {
  const PresenceCase& c = GetParam();
  LinkRig rig;
  rig.state.connectionKind = c.connectionKind;
  if (!c.portOpen) rig.port.Close();
  rig.port.modemStatusReadable = c.statusReadable;
  rig.port.modemStatus = c.status;
  EXPECT_EQ(IsDevicePresent(rig.link), c.present);
}

INSTANTIATE_TEST_SUITE_P(Lines, IsDevicePresentTest,
                         ::testing::Values(PresenceCase{kConnectionSerial, true, true, 0x10, true},
                                           PresenceCase{kConnectionSerial, true, true, 0xF0, true},
                                           PresenceCase{kConnectionSerial, true, true, 0x00, false},
                                           PresenceCase{kConnectionSerial, true, true, 0xE0, false},
                                           PresenceCase{kConnectionSerial, true, false, 0x00, true},
                                           PresenceCase{kConnectionSerial, false, true, 0x00, true},
                                           PresenceCase{kConnectionUsb, true, true, 0x00, true},
                                           PresenceCase{kConnectionOther, true, true, 0x00, true}));

}  // namespace
}  // namespace orvix::testing
