#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_message_box.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_usb_bus.h"
#include "fakes/memory_log_file.h"
#include "link/device_link.h"
#include "link/identification.h"
#include "link/usb_display_transport.h"
#include "service/line_display_service.h"

namespace orvix {
namespace {

using testing::Bytes;
using testing::FakeMessageBox;
using testing::FakeUsbBus;
using testing::HexBytes;

constexpr platform::Guid kPrintingClass = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr platform::Guid kDeviceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

// A device path as the platform writes it, around the given ids ("vid_03eb&pid_1102").
std::string PathWith(const std::string& ids, const std::string& instance = "6&2c24ce2e&0&1") {
  return "\\\\?\\usb#" + ids + "#" + instance + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

// ---- Finding the device --------------------------------------------------------------------

struct MatchCase {
  const char* name;
  int32_t selector;
  std::vector<std::pair<platform::Guid, std::string>> interfaces;  // in enumeration order
  int chosen;  // index into `interfaces`, or -1 when none qualifies
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

std::vector<MatchCase> MatchCases() {
  const std::string a = PathWith("vid_03eb&pid_1102", "first");
  const std::string b = PathWith("vid_03eb&pid_1102", "second");
  return {
      {"PrintingClassFor1101", 0x1101,
       {{kPrintingClass, PathWith("vid_03eb&pid_1101")}, {kDeviceClass, PathWith("vid_03eb&pid_1101", "x")}}, 0},
      {"DeviceClassFor1102", 0x1102,
       {{kDeviceClass, PathWith("vid_03eb&pid_1102")}, {kPrintingClass, PathWith("vid_03eb&pid_1102", "x")}}, 0},
      {"RightIdsUnderTheWrongClass", 0x1102, {{kPrintingClass, PathWith("vid_03eb&pid_1102")}}, -1},
      {"UpperCaseVendorLetters2001", 0x2001, {{kDeviceClass, PathWith("vid_03EB&pid_2001")}}, 0},
      {"OtherProduct2002", 0x2001, {{kDeviceClass, PathWith("vid_03eb&pid_2002")}}, -1},
      {"ProductOfAnotherSelector", 0x1102, {{kDeviceClass, PathWith("vid_03eb&pid_2001")}}, -1},
      {"VendorCase03EB", 0x1102, {{kDeviceClass, PathWith("vid_03EB&pid_1102")}}, 0},
      {"VendorCase03Eb", 0x1102, {{kDeviceClass, PathWith("vid_03Eb&pid_1102")}}, 0},
      {"UpperCaseMarkers", 0x1102, {{kDeviceClass, PathWith("VID_03EB&PID_1102")}}, -1},
      {"UpperCaseProductMarkerOnly", 0x1102, {{kDeviceClass, PathWith("vid_03eb&PID_1102")}}, -1},
      {"Vendor1002Refused", 0x1102, {{kDeviceClass, PathWith("vid_1002&pid_1102")}}, -1},
      {"Vendor6127Accepted", 0x1102, {{kDeviceClass, PathWith("vid_6127&pid_1102")}}, 0},
      {"ProductIdInVendorPosition", 0x2001, {{kDeviceClass, PathWith("vid_2005&pid_2001")}}, 0},
      {"MarkersInEitherOrder", 0x1102, {{kDeviceClass, "\\\\?\\usb#pid_1102&vid_03eb#1"}}, 0},
      {"FirstVendorMarkerCounts", 0x1102, {{kDeviceClass, PathWith("vid_1002&pid_1102&vid_03eb")}}, -1},
      {"PathEndsInsideTheProductId", 0x1102, {{kDeviceClass, "\\\\?\\usb#vid_03eb&pid_110"}}, -1},
      {"PathEndsAfterTheVendorMarker", 0x1102, {{kDeviceClass, "\\\\?\\usb#pid_1102&vid_"}}, -1},
      {"NoMarkers", 0x1102, {{kDeviceClass, "\\\\?\\hid#kbd&col01#1"}, {kDeviceClass, "\\\\?\\x"}}, -1},
      {"TwoQualifyTheLaterWins", 0x1102, {{kDeviceClass, a}, {kDeviceClass, b}}, 1},
      {"QualifyingThenNot", 0x1102, {{kDeviceClass, a}, {kDeviceClass, PathWith("vid_1002&pid_1102")}}, 0},
  };
}

class UsbMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(UsbMatchTest, OpensThePipesOfTheChosenInterface) {
  const MatchCase& c = GetParam();
  FakeUsbBus bus;
  bus.interfaces = c.interfaces;
  FakeMessageBox box;
  UsbDisplayTransport usb(bus, &box);

  EXPECT_TRUE(usb.Open(c.selector, 1));

  const platform::Guid expectedClass = c.selector == 0x1101 ? kPrintingClass : kDeviceClass;
  ASSERT_EQ(bus.enumeratedClasses.size(), 1u);
  EXPECT_TRUE(bus.enumeratedClasses[0] == expectedClass);
  const std::string path = c.chosen < 0 ? "" : c.interfaces[c.chosen].second;
  EXPECT_EQ(usb.devicePath(), path);
  EXPECT_EQ(bus.pipeOpenAttempts, (std::vector<std::string>{path + "\\PIPE01", path + "\\PIPE02"}));
  EXPECT_EQ(bus.openPipes, c.chosen < 0 ? 0 : 2);
  EXPECT_TRUE(box.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, UsbMatchTest, ::testing::ValuesIn(MatchCases()),
                         [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

TEST(UsbTransport, DevicePathOfAnEarlierOpenStaysWhenNoneQualifies) {
  const std::string first = PathWith("vid_03eb&pid_1102", "first");
  const std::string second = PathWith("vid_03eb&pid_1102", "second");
  FakeUsbBus bus;
  UsbDisplayTransport usb(bus, nullptr);

  bus.AddInterface(kDeviceClass, first);
  usb.Open(0x1102, 1);
  EXPECT_EQ(usb.devicePath(), first);

  // Unplugged: the old path is tried again (and its pipes open no more).
  bus.interfaces.clear();
  usb.Open(0x1102, 1);
  EXPECT_EQ(usb.devicePath(), first);
  EXPECT_EQ(bus.pipeOpenAttempts.back(), first + "\\PIPE02");
  EXPECT_EQ(bus.openPipes, 0);

  // Back under another instance: the new path replaces it, and reopening holds two pipes.
  bus.AddInterface(kDeviceClass, second);
  usb.Open(0x1102, 1);
  usb.Open(0x1102, 1);
  EXPECT_EQ(usb.devicePath(), second);
  EXPECT_EQ(bus.openPipes, 2);

  // A selector of another product keeps it too.
  usb.Open(0x2001, 1);
  EXPECT_EQ(usb.devicePath(), second);
}

TEST(UsbTransport, FirstOpenWithoutDeviceTriesTheBareSuffixes) {
  FakeUsbBus bus;
  UsbDisplayTransport usb(bus, nullptr);
  EXPECT_TRUE(usb.Open(0x2001, 1));
  EXPECT_EQ(bus.pipeOpenAttempts, (std::vector<std::string>{"\\PIPE01", "\\PIPE02"}));
  EXPECT_EQ(bus.openPipes, 0);
}

TEST(UsbTransport, UnknownSelectorsShowTheMessageAndFail) {
  for (int32_t selector : {0x1001, 0x1103, 0x2002, 0x11020000 | 0x1102, 0, -1}) {
    SCOPED_TRACE(selector);
    FakeUsbBus bus;
    bus.AddInterface(kDeviceClass, PathWith("vid_03eb&pid_1102"));
    FakeMessageBox box;
    UsbDisplayTransport usb(bus, &box);

    EXPECT_FALSE(usb.Open(selector, 1));
    EXPECT_EQ(box.shown, (std::vector<std::string>{"Error:Not found access device."}));
    EXPECT_TRUE(bus.enumeratedClasses.empty());
    EXPECT_TRUE(bus.pipeOpenAttempts.empty());
  }
}

TEST(UsbTransport, UnknownSelectorWithoutMessageBoxFailsQuietly) {
  FakeUsbBus bus;
  UsbDisplayTransport usb(bus, nullptr);
  EXPECT_FALSE(usb.Open(0x1001, 1));
  EXPECT_TRUE(bus.pipeOpenAttempts.empty());
}

// ---- Transfers -----------------------------------------------------------------------------

TEST(UsbTransport, WritesGoToPipe02ReadsComeFromPipe01WithinASecondAndCloseClosesBoth) {
  const std::string path = PathWith("vid_03eb&pid_1102");
  FakeUsbBus bus;
  bus.AddInterface(kDeviceClass, path);
  UsbDisplayTransport usb(bus, nullptr);
  usb.Open(0x1102, 1);

  const Bytes out = HexBytes("1B 40 0C");
  usb.Write(out.data(), out.size());
  bus.QueueReply(HexBytes("07 4B 56 44"));
  uint8_t in[8] = {};
  usb.Read(in, sizeof in);

  ASSERT_EQ(bus.writes.size(), 1u);
  EXPECT_EQ(bus.writes[0].pipe, path + "\\PIPE02");
  EXPECT_EQ(bus.writes[0].bytes, out);
  EXPECT_EQ(bus.writes[0].timeoutMs, 1000u);
  ASSERT_EQ(bus.reads.size(), 1u);
  EXPECT_EQ(bus.reads[0].pipe, path + "\\PIPE01");
  EXPECT_EQ(bus.reads[0].count, 8u);
  EXPECT_EQ(bus.reads[0].timeoutMs, 1000u);
  EXPECT_EQ(Bytes(in, in + 4), HexBytes("07 4B 56 44"));

  usb.Close();
  EXPECT_EQ(bus.openPipes, 0);
  EXPECT_EQ(bus.closedPipes, (std::vector<std::string>{path + "\\PIPE01", path + "\\PIPE02"}));
}

TEST(UsbTransport, NothingIsTransferredWithoutOpenPipes) {
  const std::string path = PathWith("vid_03eb&pid_1102");
  struct Case {
    const char* name;
    bool opened;
    bool present;
    bool pipesOpen;
    bool closedFirst;
  };
  for (const Case& c : {Case{"never opened", false, true, true, false}, Case{"no device", true, false, true, false},
                        Case{"pipes refused", true, true, false, false}, Case{"closed", true, true, true, true}}) {
    SCOPED_TRACE(c.name);
    FakeUsbBus bus;
    if (c.present) bus.AddInterface(kDeviceClass, path);
    bus.pipesOpen = c.pipesOpen;
    UsbDisplayTransport usb(bus, nullptr);
    if (c.opened) usb.Open(0x1102, 1);
    if (c.closedFirst) usb.Close();

    const Bytes out = HexBytes("0C");
    uint8_t in[8] = {};
    usb.Write(out.data(), out.size());
    usb.Read(in, sizeof in);
    usb.Close();  // harmless once more
    EXPECT_TRUE(bus.writes.empty());
    EXPECT_TRUE(bus.reads.empty());
    EXPECT_EQ(bus.openPipes, 0);
  }
}

// ---- Through the device link ---------------------------------------------------------------

struct UsbLinkRig {
  explicit UsbLinkRig(int32_t selector) {
    ResetDisplayState(state);
    state.connectionKind = kConnectionUsb;
    state.usbDeviceSelector = selector;
    port.modemStatus = 0;  // CTS off: must not matter over USB
  }

  DisplayState state;
  testing::FakeSerialPort port;
  SerialTransport serial{port};
  testing::FakeClock clock;
  FakeUsbBus bus;
  FakeMessageBox box;
  UsbDisplayTransport usb{bus, &box};
  DeviceLink link{state, serial, &usb, clock};
};

struct IdentifyCase {
  const char* name;
  std::vector<Bytes> replies;  // an empty entry is a read that times out
  bool identified;
  size_t reads;
  bool closed;  // the transport was closed again
};

TEST(UsbLink, IdentifiesTheDisplayOverUsb) {
  const Bytes kvd5100 = HexBytes("07 4B 56 44 35 31 30 30");
  const Bytes other = HexBytes("07 4B 56 44 39 39 39 39");
  const std::vector<IdentifyCase> cases = {
      {"prompt KVD5100", {kvd5100}, true, 1, false},
      {"late, on the second retry", {{}, {}, kvd5100}, true, 3, false},
      {"silent", {}, false, 4, false},
      {"unknown model", {other}, false, 1, true},
  };
  const std::string path = PathWith("vid_03eb&pid_2001");
  for (const IdentifyCase& c : cases) {
    SCOPED_TRACE(c.name);
    UsbLinkRig rig(0x2001);
    rig.bus.AddInterface(kDeviceClass, path);
    for (const Bytes& reply : c.replies) {
      if (reply.empty()) {
        rig.bus.QueueSilence();
      } else {
        rig.bus.QueueReply(reply);
      }
    }

    EXPECT_TRUE(rig.link.OpenUsb());
    EXPECT_TRUE(IsDevicePresent(rig.link));
    EXPECT_EQ(IdentifyDevice(rig.link), c.identified);

    ASSERT_EQ(rig.bus.writes.size(), 1u);
    EXPECT_EQ(rig.bus.writes[0].pipe, path + "\\PIPE02");
    EXPECT_EQ(rig.bus.writes[0].bytes, HexBytes("02 05 45 4F 03"));
    EXPECT_EQ(rig.bus.reads.size(), c.reads);
    for (const auto& read : rig.bus.reads) EXPECT_EQ(read.pipe, path + "\\PIPE01");
    EXPECT_EQ(rig.bus.openPipes, c.closed ? 0 : 2);
    EXPECT_TRUE(rig.port.openedNames.empty());
    EXPECT_TRUE(rig.port.writes.empty());
  }
}

TEST(UsbLink, MissingDeviceGivesUpWithoutWaitingOnPipes) {
  UsbLinkRig rig(0x1102);
  rig.link.OpenUsb();
  EXPECT_FALSE(IdentifyDevice(rig.link));
  EXPECT_TRUE(rig.bus.reads.empty());
  EXPECT_EQ(rig.bus.waitedMs, 0u);

  // Later calls reach no pipe and return.
  CommandBuffer buffer;
  rig.link.SendCommand(&buffer, kCommandClear);
  rig.link.SendCommand(&buffer, kCommandFlush);
  EXPECT_TRUE(rig.link.Close());
  EXPECT_TRUE(rig.bus.writes.empty());
}

TEST(UsbLink, UnknownSelectorFailsTheOpenWithTheMessage) {
  UsbLinkRig rig(0x1001);
  EXPECT_FALSE(rig.link.OpenUsb());
  EXPECT_EQ(rig.box.shown, (std::vector<std::string>{"Error:Not found access device."}));
  EXPECT_FALSE(IdentifyDevice(rig.link));
  EXPECT_TRUE(rig.bus.pipeOpenAttempts.empty());
}

TEST(UsbLink, ServiceReachesUsbOnlyThroughAGivenBus) {
  testing::FakeSerialPort port;
  testing::FakeClock clock;
  testing::MemoryLogFile logFile;
  FakeUsbBus bus;
  bus.AddInterface(kDeviceClass, PathWith("vid_03eb&pid_1102"));

  for (bool withBus : {true, false}) {
    SCOPED_TRACE(withBus);
    PlatformServices platform;
    platform.serialPort = &port;
    platform.clock = &clock;
    platform.logFile = &logFile;
    platform.usbBus = withBus ? &bus : nullptr;
    LineDisplayService service(platform);
    service.state().connectionKind = kConnectionUsb;
    service.state().usbDeviceSelector = 0x1102;
    bus.enumeratedClasses.clear();

    EXPECT_EQ(service.link().OpenUsb(), withBus);
    EXPECT_EQ(bus.enumeratedClasses.size(), withBus ? 1u : 0u);
  }
  EXPECT_EQ(bus.openPipes, 0);  // the service's transport closed its pipes when it went
}

}  // namespace
}  // namespace orvix
