#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "service_rig.h"

namespace orvix::testing {
namespace {

const char* const kRequest = "02 05 45 4F 03";
const char* const kInitialiseAndClear = "1B 40 0C";

TEST(OpenServiceTest, AsksForTheModelThenInitialisesAndClears) {
  ServiceRig rig;
  rig.SerialProfile();
  rig.AnswerModel();
  EXPECT_EQ(rig.Open(), opos::kSuccess);
  EXPECT_TRUE(rig.port.TookWrites({kRequest, kInitialiseAndClear}));
  EXPECT_EQ(rig.port.openedNames, std::vector<std::string>{"COM1"});
  // Both keys were given back, and the profile is the ORVIX key, closing backslash included.
  EXPECT_EQ(rig.registry.openKeyCount(), 0u);
  EXPECT_EQ(rig.registry.badCloses, 0);
  EXPECT_EQ(rig.registry.openedPaths, (std::vector<std::string>{kClassKey, kProfileKey}));
}

// ---- identification, as OpenService reports it ----

struct IdentificationCase {
  const char* name;
  std::function<void(ServiceRig&)> display;
  int32_t expected;
  std::vector<std::string> transfers;
  size_t reads;
};

class IdentificationTest : public ::testing::TestWithParam<IdentificationCase> {};

TEST_P(IdentificationTest, DecidesTheResult) {
  const IdentificationCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  c.display(rig);
  EXPECT_EQ(rig.Open(), c.expected);
  EXPECT_TRUE(rig.port.TookWrites(c.transfers));
  EXPECT_EQ(rig.port.readTimeouts.size(), c.reads);
}

Bytes Reply(uint8_t mark, const std::string& model) {
  Bytes reply{mark};
  reply.insert(reply.end(), model.begin(), model.end());
  return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentificationTest,
    ::testing::Values(
        // The exchange itself is judged in the link's own tests; here only what OpenService makes of it.
        IdentificationCase{"KVD5130", [](ServiceRig& r) { r.AnswerModel("KVD5130"); }, opos::kSuccess,
                           {kRequest, kInitialiseAndClear}, 1},
        // An unknown model closes the port, so the final write reaches nothing.
        IdentificationCase{"unknown model", [](ServiceRig& r) { r.AnswerModel("KVD9999"); }, opos::kIllegal,
                           {kRequest}, 1},
        // Silence leaves the port open: the display still receives initialise and clear.
        IdentificationCase{"silence", [](ServiceRig&) {}, opos::kIllegal, {kRequest, kInitialiseAndClear}, 4},
        // A display holding CTS off is not asked; ClaimDevice finds it missing later.
        IdentificationCase{"CTS off", [](ServiceRig& r) { r.port.modemStatus = 0; }, opos::kSuccess,
                           {kRequest, kInitialiseAndClear}, 0},
        IdentificationCase{"port does not open", [](ServiceRig& r) { r.port.openSucceeds = false; }, opos::kIllegal,
                           {}, 4}),
    [](const auto& info) { return CaseName(info.param.name); });

// ---- which names lead to the profile ----

struct NameCase {
  const char* name;
  const char16_t* deviceName;
  std::function<void(FakeRegistryReader&)> aliases;
  int32_t expected;
};

class ProfileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ProfileNameTest, AnyNameStillOpensTheOrvixProfile) {
  const NameCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  rig.AnswerModel();
  c.aliases(rig.registry);
  EXPECT_EQ(rig.Open(c.deviceName), c.expected);
  // Whatever the name, the ORVIX profile is read and the display opened and initialised.
  EXPECT_EQ(rig.registry.openedPaths.back(), kProfileKey);
  EXPECT_EQ(rig.port.openedNames, std::vector<std::string>{"COM1"});
  EXPECT_TRUE(rig.port.TookWrites({kRequest, kInitialiseAndClear}));
  EXPECT_EQ(rig.registry.openKeyCount(), 0u);
}

void Alias(FakeRegistryReader& r, const std::string& name, const std::string& data) { r.SetText(kClassKey, name, data); }

// Value names are read into 254 characters, the terminator included.
const std::u16string kLongestName(253, u'N');

INSTANTIATE_TEST_SUITE_P(
    Names, ProfileNameTest,
    ::testing::Values(
        NameCase{"profile name", u"ORVIX", [](FakeRegistryReader&) {}, opos::kSuccess},
        NameCase{"profile name in lower case", u"orvix", [](FakeRegistryReader&) {}, opos::kIllegal},
        NameCase{"unknown name", u"Scale", [](FakeRegistryReader& r) { Alias(r, "PoleDisplay", "ORVIX"); },
                 opos::kIllegal},
        NameCase{"empty name", u"", [](FakeRegistryReader&) {}, opos::kIllegal},
        NameCase{"null name", nullptr, [](FakeRegistryReader&) {}, opos::kIllegal},
        NameCase{"alias", u"PoleDisplay", [](FakeRegistryReader& r) { Alias(r, "PoleDisplay", "ORVIX"); },
                 opos::kSuccess},
        NameCase{"alias among others", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   Alias(r, "Customer", "OTHER");
                   Alias(r, "PoleDisplay", "ORVIX");
                   Alias(r, "Zeta", "ORVIX");
                 },
                 opos::kSuccess},
        NameCase{"alias to another profile", u"PoleDisplay",
                 [](FakeRegistryReader& r) { Alias(r, "PoleDisplay", "OTHER"); }, opos::kIllegal},
        NameCase{"alias data with a trailing space", u"PoleDisplay",
                 [](FakeRegistryReader& r) { Alias(r, "PoleDisplay", "ORVIX "); }, opos::kIllegal},
        NameCase{"alias data in lower case", u"PoleDisplay",
                 [](FakeRegistryReader& r) { Alias(r, "PoleDisplay", "orvix"); }, opos::kIllegal},
        NameCase{"alias name in another letter case", u"PoleDisplay",
                 [](FakeRegistryReader& r) { Alias(r, "poledisplay", "ORVIX"); }, opos::kIllegal},
        NameCase{"alias data without terminator", u"PoleDisplay",
                 [](FakeRegistryReader& r) { r.SetText(kClassKey, "PoleDisplay", "ORVIX", false); }, opos::kSuccess},
        NameCase{"alias data unexpanded text", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   r.SetText(kClassKey, "PoleDisplay", "ORVIX", true, FakeRegistryReader::kTypeExpandString);
                 },
                 opos::kSuccess},
        NameCase{"alias data as raw bytes", u"PoleDisplay",
                 [](FakeRegistryReader& r) { r.SetBinary(kClassKey, "PoleDisplay", {'O', 'R', 'V', 'I', 'X', 0}); },
                 opos::kIllegal},
        NameCase{"alias data too long for the buffer", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   r.SetText(kClassKey, "PoleDisplay", std::string("ORVIX") + std::string(1, '\0') + std::string(300, 'x'),
                             true);
                 },
                 opos::kIllegal},
        NameCase{"overlong alias name passed over", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   Alias(r, std::string(254, 'N'), "ORVIX");
                   Alias(r, "PoleDisplay", "ORVIX");
                 },
                 opos::kSuccess},
        NameCase{"longest alias name that fits", kLongestName.c_str(),
                 [](FakeRegistryReader& r) { Alias(r, std::string(253, 'N'), "ORVIX"); }, opos::kSuccess},
        NameCase{"class key does not open", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   Alias(r, "PoleDisplay", "ORVIX");
                   r.KeyAt(kClassKey).unopenable = true;
                 },
                 opos::kIllegal},
        NameCase{"value count unreadable", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   Alias(r, "PoleDisplay", "ORVIX");
                   r.KeyAt(kClassKey).countUnreadable = true;
                 },
                 opos::kIllegal},
        NameCase{"class key unopenable, profile name", u"ORVIX",
                 [](FakeRegistryReader& r) { r.KeyAt(kClassKey).unopenable = true; }, opos::kSuccess},
        NameCase{"fewer values than counted", u"PoleDisplay",
                 [](FakeRegistryReader& r) {
                   Alias(r, "PoleDisplay", "ORVIX");
                   r.KeyAt(kClassKey).reportedCount = 0xFFFFFFFF;
                 },
                 opos::kSuccess}),
    [](const auto& info) { return CaseName(info.param.name); });

// ---- the profile values ----

struct OptionCase {
  const char* name;
  std::function<void(FakeRegistryReader&)> option;
  int strict, log, zeroBased;
};

class OptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionTest, SetsTheFlagsOfItsBits) {
  const OptionCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.Remove(kProfileKey, "Option");
  c.option(rig.registry);
  rig.AnswerModel();
  rig.Open();
  EXPECT_EQ(rig.state().strictParameters, c.strict);
  EXPECT_EQ(rig.state().logEnabled, c.log);
  EXPECT_EQ(rig.state().zeroBasedCoordinates, c.zeroBased);
  EXPECT_EQ(rig.logFile.contents.empty(), c.log == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionTest,
    ::testing::Values(
        OptionCase{"all three", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "Option", 0x111); }, 1, 1, 1},
        OptionCase{"log only", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "Option", 0x10); }, 0, 1, 0},
        OptionCase{"zero based only", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "Option", 0x100); }, 0, 0,
                   1},
        OptionCase{"every other bit", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "Option", 0xFFFFFEEE); },
                   0, 0, 0},
        OptionCase{"missing", [](FakeRegistryReader&) {}, 0, 0, 0},
        OptionCase{"one raw byte", [](FakeRegistryReader& r) { r.SetBinary(kProfileKey, "Option", {0x11}); }, 1, 1,
                   0},
        OptionCase{"raw bytes, little endian", [](FakeRegistryReader& r) {
                     r.SetBinary(kProfileKey, "Option", {0x00, 0x01, 0x00, 0x00, 0x10});
                   }, 0, 0, 1},
        // The text "17" would otherwise give the bytes 31 37: strict and log by accident.
        OptionCase{"text", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "Option", "17"); }, 0, 0, 0},
        OptionCase{"too long", [](FakeRegistryReader& r) {
                     r.SetBinary(kProfileKey, "Option", Bytes(300, 0xFF));
                   }, 0, 0, 0}),
    [](const auto& info) { return CaseName(info.param.name); });

struct DeviceTypeCase {
  const char* name;
  std::function<void(FakeRegistryReader&)> deviceType;
  int32_t connectionKind;
  size_t serialOpens;
};

class DeviceTypeTest : public ::testing::TestWithParam<DeviceTypeCase> {};

TEST_P(DeviceTypeTest, ChoosesTheTransport) {
  const DeviceTypeCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.Remove(kProfileKey, "DeviceType");
  rig.registry.SetDword(kProfileKey, "DeviceID", 0x1101);
  c.deviceType(rig.registry);
  rig.AnswerModel();
  const int32_t result = rig.Open();
  EXPECT_EQ(rig.state().connectionKind, c.connectionKind);
  EXPECT_EQ(rig.port.openedNames.size(), c.serialOpens);
  EXPECT_EQ(rig.usbBus.pipeOpenAttempts.size(), c.connectionKind == kConnectionUsb ? 2u : 0u);
  // Without the serial port nothing answers the identification.
  EXPECT_EQ(result, c.serialOpens == 1 ? opos::kSuccess : opos::kIllegal);
  if (c.serialOpens == 0) {
    EXPECT_TRUE(rig.port.writes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, DeviceTypeTest,
    ::testing::Values(
        DeviceTypeCase{"COM", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceType", "COM"); }, 10, 1},
        DeviceTypeCase{"USB", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceType", "USB"); }, 11, 0},
        DeviceTypeCase{"Other", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceType", "Other"); }, 12, 0},
        DeviceTypeCase{"com in lower case", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceType", "com"); },
                       0, 0},
        DeviceTypeCase{"COM with a space", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceType", "COM "); },
                       0, 0},
        DeviceTypeCase{"COM without terminator",
                       [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceType", "COM", false); }, 10, 1},
        DeviceTypeCase{"missing", [](FakeRegistryReader&) {}, 0, 0},
        DeviceTypeCase{"a number", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "DeviceType", 10); }, 0, 0},
        DeviceTypeCase{"too long",
                       [](FakeRegistryReader& r) {
                         r.SetText(kProfileKey, "DeviceType", std::string("COM") + std::string(1, '\0') +
                                                                 std::string(300, ' '));
                       },
                       0, 0},
        DeviceTypeCase{"profile key does not open",
                       [](FakeRegistryReader& r) {
                         r.SetText(kProfileKey, "DeviceType", "COM");
                         r.KeyAt(kProfileKey).unopenable = true;
                       },
                       0, 0}),
    [](const auto& info) { return CaseName(info.param.name); });

struct DeviceIdCase {
  const char* name;
  std::function<void(FakeRegistryReader&)> deviceId;
  int32_t selector;
};

class DeviceIdTest : public ::testing::TestWithParam<DeviceIdCase> {};

TEST_P(DeviceIdTest, GivesTheUsbSelector) {
  const DeviceIdCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  // A text value just before it, so that bytes carried over would show.
  rig.registry.SetText(kProfileKey, "DeviceType", "USB");
  rig.registry.Remove(kProfileKey, "DeviceID");
  c.deviceId(rig.registry);
  rig.Open();
  EXPECT_EQ(rig.state().usbDeviceSelector, c.selector);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, DeviceIdTest,
    ::testing::Values(
        DeviceIdCase{"number 0x1101", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "DeviceID", 0x1101); },
                     0x1101},
        DeviceIdCase{"only the low two bytes count",
                     [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "DeviceID", 0x12341102); }, 0x1102},
        DeviceIdCase{"bytes are signed", [](FakeRegistryReader& r) { r.SetBinary(kProfileKey, "DeviceID", {0x80, 0xFF}); },
                     -128 - 256},
        DeviceIdCase{"low byte signed", [](FakeRegistryReader& r) { r.SetBinary(kProfileKey, "DeviceID", {0xFF, 0x7F}); },
                     -1 + 256 * 127},
        DeviceIdCase{"one byte", [](FakeRegistryReader& r) { r.SetBinary(kProfileKey, "DeviceID", {0x05}); }, 5},
        DeviceIdCase{"text gives its character codes",
                     [](FakeRegistryReader& r) { r.SetText(kProfileKey, "DeviceID", "AB"); }, 'A' + 256 * 'B'},
        DeviceIdCase{"missing", [](FakeRegistryReader&) {}, 0},
        DeviceIdCase{"too long", [](FakeRegistryReader& r) { r.SetBinary(kProfileKey, "DeviceID", Bytes(257, 0x11)); },
                     0}),
    [](const auto& info) { return CaseName(info.param.name); });

struct DecimalCase {
  const char* name;
  std::function<void(FakeRegistryReader&)> baud;
  uint32_t baudRate;
};

class DecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTest, ReadsTheLeadingNumber) {
  const DecimalCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.Remove(kProfileKey, "Baud");
  c.baud(rig.registry);
  rig.AnswerModel();
  rig.Open();
  EXPECT_EQ(rig.port.current.baudRate, c.baudRate);
}

void Baud(FakeRegistryReader& r, const std::string& text) { r.SetText(kProfileKey, "Baud", text); }

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalTest,
    ::testing::Values(
        DecimalCase{"digits and a word", [](FakeRegistryReader& r) { Baud(r, "9600 bps"); }, 9600},
        DecimalCase{"no digits", [](FakeRegistryReader& r) { Baud(r, "fast"); }, 0},
        DecimalCase{"leading white space", [](FakeRegistryReader& r) { Baud(r, " \t\r\n19200"); }, 19200},
        DecimalCase{"plus sign", [](FakeRegistryReader& r) { Baud(r, "+4800"); }, 4800},
        DecimalCase{"minus sign", [](FakeRegistryReader& r) { Baud(r, "-1"); }, 0xFFFFFFFFu},
        DecimalCase{"sign without digits", [](FakeRegistryReader& r) { Baud(r, "- 5"); }, 0},
        DecimalCase{"digits stop at a letter", [](FakeRegistryReader& r) { Baud(r, "12a3"); }, 12},
        DecimalCase{"beyond the range", [](FakeRegistryReader& r) { Baud(r, std::string(200, '9')); }, 0x7FFFFFFFu},
        DecimalCase{"below the range", [](FakeRegistryReader& r) { Baud(r, "-99999999999"); }, 0x80000000u},
        DecimalCase{"lowest number", [](FakeRegistryReader& r) { Baud(r, "-2147483648"); }, 0x80000000u},
        DecimalCase{"missing", [](FakeRegistryReader&) {}, 0},
        DecimalCase{"stored as a number", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "Baud", 9600); }, 0},
        DecimalCase{"too long", [](FakeRegistryReader& r) { Baud(r, "9600" + std::string(300, ' ')); }, 0},
        DecimalCase{"255 characters", [](FakeRegistryReader& r) { Baud(r, std::string(251, ' ') + "9600"); }, 9600},
        // All 256 bytes without a terminator: the text ends inside the buffer, one short.
        DecimalCase{"256 characters without terminator",
                    [](FakeRegistryReader& r) { r.SetText(kProfileKey, "Baud", std::string(252, ' ') + "9600", false); },
                    960}),
    [](const auto& info) { return CaseName(info.param.name); });

TEST(OpenServiceTest, EachLineSettingGoesToItsOwnField) {
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.SetText(kProfileKey, "Baud", "4800");
  rig.registry.SetText(kProfileKey, "Parity", "2");
  rig.registry.SetText(kProfileKey, "DataLength", "7");
  rig.registry.SetText(kProfileKey, "StopBit", "2");
  rig.AnswerModel();
  rig.Open();
  EXPECT_EQ(rig.port.current.baudRate, 4800u);
  EXPECT_EQ(rig.port.current.parity, 2);
  EXPECT_EQ(rig.port.current.byteSize, 7);
  EXPECT_EQ(rig.port.current.stopBits, 2);
}

struct PortNameCase {
  const char* name;
  std::function<void(FakeRegistryReader&)> comPort;
  std::string opened;
};

class PortNameTest : public ::testing::TestWithParam<PortNameCase> {};

TEST_P(PortNameTest, IsOpenedAsStored) {
  const PortNameCase& c = GetParam();
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.Remove(kProfileKey, "COMPORT");
  c.comPort(rig.registry);
  rig.Open();
  EXPECT_EQ(rig.port.openedNames, std::vector<std::string>{c.opened});
}

INSTANTIATE_TEST_SUITE_P(
    Names, PortNameTest,
    ::testing::Values(
        PortNameCase{"COM3", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "COMPORT", "COM3"); }, "COM3"},
        PortNameCase{"device namespace",
                     [](FakeRegistryReader& r) { r.SetText(kProfileKey, "COMPORT", "\\\\.\\COM12"); }, "\\\\.\\COM12"},
        PortNameCase{"256 bytes without terminator",
                     [](FakeRegistryReader& r) { r.SetText(kProfileKey, "COMPORT", std::string(256, 'A'), false); },
                     std::string(255, 'A')},
        PortNameCase{"too long", [](FakeRegistryReader& r) { r.SetText(kProfileKey, "COMPORT", std::string(300, 'A')); },
                     ""},
        // The DeviceType text "COM" was read into the same kind of buffer before.
        PortNameCase{"missing", [](FakeRegistryReader&) {}, ""},
        PortNameCase{"a number", [](FakeRegistryReader& r) { r.SetDword(kProfileKey, "COMPORT", 0x314D4F43); }, ""}),
    [](const auto& info) { return CaseName(info.param.name); });

TEST(OpenServiceTest, ReadsTheValuesInTheirOrder) {
  ServiceRig rig;
  rig.SerialProfile();
  rig.Open();
  EXPECT_EQ(rig.registry.queriedNames, (std::vector<std::string>{"DeviceType", "DeviceID", "Option", "COMPORT", "Baud",
                                                                 "Parity", "DataLength", "StopBit"}));
}

// ---- USB ----

TEST(OpenServiceTest, OpensTheUsbDisplayOfTheDeviceId) {
  ServiceRig rig;
  rig.SerialProfile();
  rig.registry.SetText(kProfileKey, "DeviceType", "USB");
  rig.registry.SetDword(kProfileKey, "DeviceID", 0x1101);
  const platform::Guid printing = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
  const std::string path = "\\\\?\\usb#vid_03eb&pid_1101#5&2a1b&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
  rig.usbBus.AddInterface(printing, path);
  rig.usbBus.QueueReply(Reply(0x07, "KVD5130"));

  EXPECT_EQ(rig.Open(), opos::kSuccess);
  EXPECT_TRUE(rig.port.openedNames.empty());
  ASSERT_EQ(rig.usbBus.writes.size(), 2u);
  EXPECT_EQ(rig.usbBus.writes[0].pipe, path + "\\PIPE02");
  EXPECT_EQ(ToHex(rig.usbBus.writes[0].bytes), kRequest);
  EXPECT_EQ(ToHex(rig.usbBus.writes[1].bytes), kInitialiseAndClear);
}

// ---- the log line and the reset ----

TEST(OpenServiceTest, LogIsOffForAnOpeningWhoseOptionSaysSo) {
  ServiceRig rig;
  rig.SerialProfile(0x10);
  rig.AnswerModel();
  rig.Open();
  ASSERT_FALSE(rig.logFile.contents.empty());
  rig.logFile.contents.clear();
  rig.logFile.opens = 0;

  rig.registry.SetDword(kProfileKey, "Option", 0);
  rig.AnswerModel();
  rig.Open(u"Wrong");
  rig.service.GetPropertyNumber(opos::kPidxState);
  EXPECT_EQ(rig.logFile.opens, 0);
}

TEST(OpenServiceTest, StartsFromTheResetStateEveryTime) {
  ServiceRig rig;
  rig.OpenReady(0x111);
  rig.service.ClaimDevice(0);
  rig.service.SetPropertyNumber(opos::kPidxDeviceEnabled, 1);
  rig.service.SetPropertyNumber(opos::kPidxDispDeviceBrightness, 3);
  rig.service.SetPropertyNumber(opos::kPidxDispCursorUpdate, 0);
  rig.service.CheckHealth(opos::kHealthInternal);
  rig.service.DisplayTextAt(1, 1, u"HELLO", opos::kDisplayBlink);

  rig.SerialProfile(0);
  rig.AnswerModel();
  ASSERT_EQ(rig.Open(), opos::kSuccess);

  DisplayState expected;
  ResetDisplayState(expected);
  EXPECT_EQ(Snapshot(rig.state()), Snapshot(expected));
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxClaimed), 0);
  EXPECT_EQ(rig.service.GetPropertyNumber(opos::kPidxDeviceEnabled), 0);
}

}  // namespace
}  // namespace orvix::testing
