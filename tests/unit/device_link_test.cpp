#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link_rig.h"

namespace orvix::testing {
namespace {

using platform::CommSettings;
using platform::ControlLine;

DeviceProfile Profile(const char* portName, int32_t baud, int32_t parity, int32_t dataLength, int32_t stopBit) {
  DeviceProfile profile;
  std::strncpy(profile.portName, portName, sizeof profile.portName - 1);
  profile.baud = baud;
  profile.parity = parity;
  profile.dataLength = dataLength;
  profile.stopBit = stopBit;
  return profile;
}

// What a port may come with: every kind of flow control on, other line settings.
CommSettings EverythingOn() {
  CommSettings s;
  s.baudRate = 19200;
  s.parity = 2;
  s.byteSize = 7;
  s.stopBits = 2;
  s.outxCtsFlow = true;
  s.outxDsrFlow = true;
  s.dtrControl = 2;
  s.rtsControl = 2;
  s.outX = true;
  s.inX = true;
  return s;
}

std::vector<std::string> NineConfigurationSteps() {
  std::vector<std::string> calls;
  for (int step = 0; step < 9; ++step) {
    calls.push_back("GetState");
    calls.push_back("SetState");
  }
  return calls;
}

TEST(OpenSerialTest, OpensThenRaisesRtsAndDtrThenConfiguresNineTimesInOrder) {
  LinkRig rig;
  rig.port.current = EverythingOn();
  DeviceProfile profile = Profile("COM1", 9600, 0, 8, 0);
  EXPECT_TRUE(rig.link.OpenSerial(&profile));

  std::vector<std::string> expectedCalls = {"Close", "Open COM1", "Escape 3", "Escape 5"};
  for (const std::string& call : NineConfigurationSteps()) expectedCalls.push_back(call);
  EXPECT_EQ(rig.port.calls, expectedCalls);

  // Each step changes only its own fields of what the port reported.
  std::vector<std::function<void(CommSettings&)>> steps = {
      [](CommSettings& s) { s.baudRate = 9600; },
      [](CommSettings& s) { s.parity = 0; },
      [](CommSettings& s) { s.byteSize = 8; },
      [](CommSettings& s) { s.stopBits = 0; },
      [](CommSettings& s) { s.outxCtsFlow = false; },
      [](CommSettings& s) { s.rtsControl = 0; },
      [](CommSettings& s) { s.outxDsrFlow = false; },
      [](CommSettings& s) { s.dtrControl = 0; },
      [](CommSettings& s) { s.outX = s.inX = false; },
  };
  ASSERT_EQ(rig.port.appliedStates.size(), steps.size());
  CommSettings expected = EverythingOn();
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i](expected);
    EXPECT_EQ(rig.port.appliedStates[i], expected) << "step " << i + 1;
  }

  CommSettings line;  // 9600 8N1, no flow control of any kind
  line.baudRate = 9600;
  line.byteSize = 8;
  EXPECT_EQ(rig.port.current, line);
}

TEST(OpenSerialTest, ARefusedSettingFailsOnlyItsOwnStep) {
  LinkRig rig;
  rig.port.current = EverythingOn();
  DeviceProfile profile = Profile("COM1", 4800, 7, 8, 1);  // the driver refuses parity 7
  EXPECT_TRUE(rig.link.OpenSerial(&profile));
  EXPECT_EQ(rig.port.appliedStates.size(), 8u);
  EXPECT_EQ(rig.port.current.baudRate, 4800u);
  EXPECT_EQ(rig.port.current.parity, 2);  // as the port had it
  EXPECT_EQ(rig.port.current.byteSize, 8);
  EXPECT_EQ(rig.port.current.stopBits, 1);
  EXPECT_FALSE(rig.port.current.outX);

  // Each step answers for itself.
  EXPECT_FALSE(rig.serial.SetParity(7));
  EXPECT_TRUE(rig.serial.SetParity(1));
  EXPECT_TRUE(rig.serial.SetByteSize(7));
  EXPECT_EQ(rig.port.current.parity, 1);
  EXPECT_EQ(rig.port.current.byteSize, 7);
}

TEST(OpenSerialTest, OnlyTheLowByteOfTheSmallSettingsIsWritten) {
  LinkRig rig;
  DeviceProfile profile = Profile("COM1", -1, 0x102, 0x107, 0x201);
  rig.link.OpenSerial(&profile);
  EXPECT_EQ(rig.port.current.baudRate, 0xFFFFFFFFu);
  EXPECT_EQ(rig.port.current.parity, 2);
  EXPECT_EQ(rig.port.current.byteSize, 7);
  EXPECT_EQ(rig.port.current.stopBits, 1);
}

TEST(OpenSerialTest, APortThatDoesNotOpenIsNotRaisedAndStillConfiguredQuietly) {
  LinkRig rig;
  rig.port.openSucceeds = false;
  DeviceProfile profile = Profile("COM9", 9600, 0, 8, 0);
  EXPECT_TRUE(rig.link.OpenSerial(&profile));
  std::vector<std::string> expectedCalls = {"Close", "Open COM9"};
  for (const std::string& call : NineConfigurationSteps()) expectedCalls.push_back(call);
  EXPECT_EQ(rig.port.calls, expectedCalls);
  EXPECT_TRUE(rig.port.escapes.empty());
  EXPECT_TRUE(rig.port.appliedStates.empty());
  EXPECT_FALSE(rig.port.IsOpen());
}

TEST(OpenSerialTest, ANameThatFillsTheWholeFieldIsCutAtItsEnd) {
  LinkRig rig;
  DeviceProfile profile = Profile("", 9600, 0, 8, 0);
  std::memset(profile.portName, 'C', sizeof profile.portName);  // no terminator at all
  rig.link.OpenSerial(&profile);
  ASSERT_EQ(rig.port.openedNames.size(), 1u);
  EXPECT_EQ(rig.port.openedNames[0], std::string(sizeof profile.portName - 1, 'C'));
}

struct ReadCase {
  int32_t connectionKind;
  int32_t count;
  int serialReads;
  int usbReads;
};

class LinkReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LinkReadTest, ReachesOnlyTheTransportOfTheKind) {
  const ReadCase& c = GetParam();
  LinkRig rig;
  rig.state.connectionKind = c.connectionKind;
  uint8_t destination[8] = {};
  EXPECT_TRUE(rig.link.Read(destination, c.count));
  EXPECT_EQ(rig.port.readTimeouts.size(), static_cast<size_t>(c.serialReads));
  EXPECT_EQ(rig.usb.readCounts.size(), static_cast<size_t>(c.usbReads));
  for (uint32_t timeout : rig.port.readTimeouts) EXPECT_EQ(timeout, 1000u);
}

INSTANTIATE_TEST_SUITE_P(KindsAndCounts, LinkReadTest,
                         ::testing::Values(ReadCase{kConnectionSerial, 8, 1, 0}, ReadCase{kConnectionUsb, 8, 0, 1},
                                           ReadCase{kConnectionOther, 8, 0, 0}, ReadCase{0, 8, 0, 0},
                                           ReadCase{kConnectionSerial, 0, 0, 0}, ReadCase{kConnectionSerial, -1, 0, 0},
                                           ReadCase{kConnectionSerial, INT32_MIN, 0, 0},
                                           ReadCase{kConnectionUsb, 0, 0, 0}, ReadCase{kConnectionUsb, -8, 0, 0}));

TEST(SerialReadTest, TransferredCountsOnlyACompleteRead) {
  LinkRig rig;
  uint8_t destination[8] = {};
  rig.port.QueueReply("07 4B 56 44 35 31 30 30");
  rig.serial.Read(destination, 8);
  EXPECT_EQ(rig.serial.transferred(), 8u);

  rig.port.QueuePartial("07 4B");
  std::memset(destination, 0, sizeof destination);
  rig.serial.Read(destination, 8);
  EXPECT_EQ(rig.serial.transferred(), 0u);
  EXPECT_EQ(HexDiff(HexBytes("07 4B 00 00 00 00 00 00"), Bytes(destination, destination + 8)), "");

  rig.port.QueueSilence();
  rig.serial.Read(destination, 8);
  EXPECT_EQ(rig.serial.transferred(), 0u);
}

struct CloseCase {
  int32_t connectionKind;
  bool serialClosed;
  int usbCloses;
};

class LinkCloseTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(LinkCloseTest, ClosesOnlyTheTransportOfTheKind) {
  const CloseCase& c = GetParam();
  LinkRig rig;
  rig.state.connectionKind = c.connectionKind;
  EXPECT_TRUE(rig.link.Close());
  EXPECT_EQ(!rig.port.IsOpen(), c.serialClosed);
  EXPECT_EQ(rig.usb.closes, c.usbCloses);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LinkCloseTest,
                         ::testing::Values(CloseCase{kConnectionSerial, true, 0}, CloseCase{kConnectionUsb, false, 1},
                                           CloseCase{kConnectionOther, false, 0}, CloseCase{0, false, 0}));

TEST(OpenUsbTest, OpensTheSelectedDeviceOverlappedAndPassesTheResultOn) {
  LinkRig rig;
  rig.state.usbDeviceSelector = 0x2001;
  EXPECT_TRUE(rig.link.OpenUsb());
  rig.usb.openResult = false;
  rig.state.usbDeviceSelector = 0x1001;
  EXPECT_FALSE(rig.link.OpenUsb());
  ASSERT_EQ(rig.usb.opens.size(), 2u);
  EXPECT_EQ(rig.usb.opens[0].selector, 0x2001);
  EXPECT_EQ(rig.usb.opens[0].mode, 1);
  EXPECT_EQ(rig.usb.opens[1].selector, 0x1001);

  DeviceLink withoutUsb(rig.state, rig.serial, nullptr, rig.clock);
  EXPECT_FALSE(withoutUsb.OpenUsb());
}

}  // namespace
}  // namespace orvix::testing
