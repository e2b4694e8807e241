// The pure functions, and what a transcript cannot stage.
#include <gtest/gtest.h>

#include <climits>

#include "host/fakes.h"
#include "link/device_link.h"
#include "link/port_name.h"
#include "link/usb_display_transport.h"
#include "platform/read_record.h"
#include "service/registry_profile.h"

namespace orvix::testing {
namespace {

TEST(CursorTest, MovesPastTheTextAndWrapsAtTheLastCell) {
  // Row, column, characters written: the cell the cursor lands on, as row * 100 + column.
  for (const auto& [row, column, count, landing] : std::vector<std::tuple<int32_t, int32_t, int64_t, int>>{
           {1, 0, 2, 102}, {1, 18, 3, 201}, {2, 18, 2, 100}, {2, 19, 5000, 219}, {-1, -1, 2, 101}, {-128, -128, 2, 114}}) {
    DisplayState state;
    EXPECT_TRUE(UpdateCursor(state, row, column, count));
    EXPECT_EQ(state.cursorRow * 100 + state.cursorColumn, landing) << row << "," << column;
  }
}

TEST(MirrorTest, StaysInsideItsFortyCells) {
  const std::string blank(40, ' ');
  for (const auto& [start, text, cells] : std::vector<std::tuple<int64_t, std::string, std::string>>{
           {38, "ABCD", "CD" + blank.substr(4) + "AB"}, {-1, "AB", "B" + blank.substr(2) + "A"}, {80, "X", "X" + blank.substr(1)},
           {INT64_MIN, "X", blank.substr(8) + "X" + blank.substr(33)}, {0, std::string(41, 'y') + "z", "yz" + std::string(38, 'y')}}) {
    DisplayState state;
    ResetDisplayState(state);
    WriteMirror(state, start, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    EXPECT_EQ(std::string(state.textCells, state.textCells + kDisplayCells), cells) << start;
    EXPECT_EQ(state.blinkInterval, 0x32);
  }
}

TEST(DecimalValueTest, ReadsTheLeadingNumberAsTheCRuntimeDoes) {
  for (const auto& [text, number] : std::vector<std::pair<std::string, int32_t>>{
           {"9600 bps", 9600}, {"fast", 0}, {" \t\r\n19200", 19200}, {"+4800", 4800}, {"-1", -1}, {"- 5", 0}, {"12a3", 12},
           {std::string(200, '9'), INT32_MAX}, {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN}, {"-99999999999", INT32_MIN}}) {
    EXPECT_EQ(DecimalValue(text.c_str()), number) << text;
  }
}

TEST(ProfileValueTest, ReadsWhatFitsAsStoredWhateverItsType) {
  const std::string x255(255, 'x');
  for (const auto& [type, data, text] : std::vector<std::tuple<uint32_t, std::string, std::string>>{
           {1, std::string("COM\0", 4), "COM"}, {1, "COM", "COM"}, {2, "COM", "COM"}, {4, "COM", "COM"},
           {1, x255 + "y", x255}, {1, x255 + "yz", ""}, {3, "17", "17"}, {7, std::string("COM\0\0", 5), "COM"}}) {
    MemoryRegistry registry;
    registry.Set("HKLM\\P", "V", type, std::vector<uint8_t>(data.begin(), data.end()));
    const platform::RegistryKeyPtr key = registry.OpenLocalMachineKey("P");
    EXPECT_EQ(ReadProfileValue(registry, key.get(), "V").text(), text) << type << " " << data.size();
  }
}

TEST(WaitPumpingTest, PumpsUntilTheTickCountHasPassedTheWait) {
  // Start, wait, the tick count moving by `step` every `every` pumps: the pumps it takes.
  for (const auto& [start, wait, step, every, pumps] : std::vector<std::tuple<uint32_t, uint32_t, uint32_t, int, int>>{
           {1000, 0, 1, 1, 2}, {1000, 0, 1, 5, 6}, {1000, 10, 1, 1, 12}, {1000, 20, 7, 1, 4}, {5000, 100, 16, 3, 22},
           {0xFFFFFFF0u, 100, 1, 1, 102}, {0xFFFFFF9Bu, 100, 1, 1, 102}}) {
    FakeClock clock;
    int pumped = 0;
    clock.onPump = [&, start = start, step = step, every = every] {
      clock.now = start + step * static_cast<uint32_t>(++pumped / every);
      if (pumped > 1000) throw std::runtime_error("the wait never ends");
    };
    clock.now = start;
    WaitPumping(clock, wait);
    EXPECT_EQ(pumped, pumps) << start << " " << wait;
  }
}

std::string PathWith(const std::string& ids) { return "\\\\?\\usb#" + ids + "#6&2c24ce2e&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"; }

TEST(UsbPathTest, NamesTheDisplayByItsVendorAndProductIds) {
  const platform::Guid printing = kUsbPrintingClass, device = kUsbDeviceClass;
  for (const auto& [selector, interfaceClass, path, found] : std::vector<std::tuple<int32_t, platform::Guid, std::string, bool>>{
           {0x1101, printing, PathWith("vid_03eb&pid_1101"), true}, {0x1101, device, PathWith("vid_03eb&pid_1101"), false},
           {0x1102, device, PathWith("vid_03eb&pid_1102"), true}, {0x1102, printing, PathWith("vid_03eb&pid_1102"), false},
           {0x2001, device, PathWith("vid_03EB&pid_2001"), true}, {0x1102, device, PathWith("vid_03eb&pid_2001"), false},
           {0x1102, device, PathWith("VID_03EB&PID_1102"), false}, {0x1102, device, PathWith("vid_1002&pid_1102"), false},
           {0x1102, device, PathWith("vid_6127&pid_1102"), true}, {0x2001, device, PathWith("vid_2005&pid_2001"), true},
           {0x1102, device, "\\\\?\\usb#pid_1102&vid_03eb#1", true}, {0x1102, device, "\\\\?\\usb#vid_03eb&pid_110", false}}) {
    Rig rig;
    rig.bus.interfaces = {{interfaceClass, path}};
    UsbDisplayTransport usb(rig.bus, nullptr);
    EXPECT_TRUE(usb.Open(selector, 1));
    EXPECT_EQ(usb.devicePath(), found ? path : "") << std::hex << selector;
  }
}

TEST(UsbPathTest, TheLastMatchWinsAndAMissingDisplayKeepsItsPath) {
  Rig rig;
  UsbDisplayTransport usb(rig.bus, &rig.messages);
  rig.bus.interfaces = {{kUsbDeviceClass, PathWith("vid_03eb&pid_1102") + "a"}, {kUsbDeviceClass, PathWith("vid_03eb&pid_1102") + "b"}};
  usb.Open(0x1102, 1);
  rig.bus.interfaces.clear();
  usb.Open(0x1102, 1);
  EXPECT_EQ(usb.devicePath(), PathWith("vid_03eb&pid_1102") + "b");
}

TEST(UsbPathTest, AnUnknownDisplayIsToldInABoxOnlyWhereSomeoneCanSeeIt) {
  for (const bool seen : {true, false}) {
    Rig rig;
    rig.messages.seen = seen;
    rig.registry.SetText(std::string("HKLM\\") + kProfileKey, "DeviceType", "USB");
    rig.ProfileValue("DeviceID", platform::RegistryReader::kTypeDword, DwordBytes(0x1001));
    EXPECT_EQ(rig.service.OpenService(u"LineDisplay", u"ORVIX"), 106);
    EXPECT_EQ(rig.messages.shown, std::vector<std::string>(seen ? 1 : 0, "Error:Not found access device."));
    EXPECT_EQ(rig.logFile.contents.find("Error:Not found access device.:message box not shown") != std::string::npos, !seen);
  }
}

TEST(LineSettingsTest, EachProfileValueReachesItsOwnFieldAndFlowControlGoes) {
  // Baud, Parity, DataLength, StopBit: the port's settings. The small settings keep their low
  // byte; a parity the driver refuses leaves the port's own (3).
  for (const auto& [texts, settings] : std::vector<std::pair<std::vector<std::string>, std::vector<int64_t>>>{
           {{"9600", "0", "8", "0"}, {9600, 0, 8, 0}}, {{"4800 bps", "2", "7", "2"}, {4800, 2, 7, 2}},
           {{"-1", "258", "263", "513"}, {0xFFFFFFFF, 2, 7, 1}}, {{"19200", "7", "8", "1"}, {19200, 3, 8, 1}}}) {
    Rig rig;
    const char* const kNames[] = {"Baud", "Parity", "DataLength", "StopBit"};
    for (int i = 0; i < 4; ++i) rig.registry.SetText(std::string("HKLM\\") + kProfileKey, kNames[i], texts[i]);
    platform::CommSettings& s = rig.port.settings;
    s = {1200, 3, 5, 1, true, true, 2, 2, true, true};
    EXPECT_EQ(rig.service.OpenService(u"LineDisplay", u"ORVIX"), 0);
    EXPECT_EQ(std::vector<int64_t>({s.baudRate, s.parity, s.byteSize, s.stopBits}), settings) << texts[0];
    EXPECT_EQ(std::vector<int>({s.outxCtsFlow, s.outxDsrFlow, s.dtrControl, s.rtsControl, s.outX, s.inX}), std::vector<int>(6, 0));
  }
}

TEST(PortNameTest, OnlyWhatCanNameASerialPortIsOpened) {
  for (const char* name : {"COM1", "com12", "\\\\.\\COM12", "\\\\?\\COM3", "COM7:", "OPOSDebug.txt", "LPT10", ""}) {
    EXPECT_FALSE(IsRefusedPortName(name)) << name;
  }
  for (const char* name : {"\\\\server\\share\\pole", "\\\\.\\pipe\\orvix", "//./pipe/orvix", "\\\\?\\UNC\\server\\x",
                           "\\\\?\\C:\\log.txt", "\\\\.\\C:", "\\\\.\\", "C:\\log.txt", "C:log.txt", "d:", "\\log.txt",
                           "logs\\a.txt", "logs/a.txt", "log.txt:stream", "NUL", "nul.txt", "\\\\.\\NUL", "NUL ", "Con:",
                           "PRN", "aux.log", "LPT1", "lpt\xB9", "CONIN$", "conout$"}) {
    EXPECT_TRUE(IsRefusedPortName(name)) << name;
  }
}

TEST(PortOpeningTest, TheDriverIsPreparedBeforeTheDisplayIsAsked) {
  Rig rig;
  std::string why;
  // A reply longer than the eight bytes read leaves the answer of an unknown model behind.
  ASSERT_TRUE(vpd::ParseReplyPlan("raw 074B564435313030 074B564435313939", &rig.display.plan, &why));
  EXPECT_EQ(rig.service.OpenService(u"LineDisplay", u"ORVIX"), 0);
  EXPECT_EQ(rig.service.OpenService(u"LineDisplay", u"ORVIX"), 0);
  EXPECT_EQ(rig.port.journal, "open timeouts purge write write open timeouts purge write write ");
  // A profile switched away from COM leaves no port held.
  rig.registry.SetText(std::string("HKLM\\") + kProfileKey, "DeviceType", "Other");
  rig.service.OpenService(u"LineDisplay", u"ORVIX");
  EXPECT_FALSE(rig.port.IsOpen());
}

TEST(PortOpeningTest, ADriverThatWillNotBePreparedIsNotDriven) {
  for (const char* refused : {"timeouts", "purge"}) {
    Rig rig;
    rig.port.refuses = refused;
    EXPECT_EQ(rig.service.OpenService(u"LineDisplay", u"ORVIX"), 106) << refused;
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_TRUE(rig.display.received.empty());
    EXPECT_NE(rig.logFile.contents.find("\nOpenService:COMPORT rejected, not a serial device:OPOS_E_ILLEGAL\r\n"), std::string::npos);
  }
}

// A read that the fake driver finishes `finishAfter` ms after it starts, or `cancelTakes` ms
// after it is cancelled, whichever comes first (-1: not that way); its bytes are `fill`.
struct ScriptedRead {
  int64_t finishAfter, cancelTakes;
  char fill;
};

struct ScriptedRecord : platform::ReadRecord {
  static constexpr int64_t kNever = int64_t{1} << 40;
  ScriptedRecord(int64_t& now, const ScriptedRead& next) : now(now), next(next) {}
  bool Start(size_t count) override {
    script = next, read.assign(count, static_cast<uint8_t>(script.fill));
    return finishAt = script.finishAfter < 0 ? kNever : now + script.finishAfter, true;
  }
  bool Finished(uint32_t timeoutMs) override {
    return finishAt > now + timeoutMs ? (now += timeoutMs, false) : (now = std::max(now, finishAt), true);
  }
  void Cancel() override {  // a cancelled read delivers nothing
    if (script.cancelTakes >= 0 && now + script.cancelTakes < finishAt) finishAt = now + script.cancelTakes, read.clear();
  }
  size_t Delivered() const override { return read.size(); }
  const uint8_t* bytes() const override { return read.data(); }

  int64_t& now;
  const ScriptedRead& next;
  ScriptedRead script{};
  int64_t finishAt = 0;
  std::vector<uint8_t> read;
};

TEST(ReadRecordPoolTest, NoReadHoldsTheCallerBeyondItsCancellationWait) {
  int64_t now = 0;
  ScriptedRead next{};
  platform::ReadRecordPool pool([&] { return std::make_unique<ScriptedRecord>(now, next); });
  // Each read of 8 bytes with a 1000 ms time-out: what reaches the caller, how long it took,
  // and how many records are abandoned afterwards.
  for (const auto& [script, delivered, elapsed, abandoned] : std::vector<std::tuple<ScriptedRead, std::string, int64_t, size_t>>{
           {{5, -1, 'a'}, "aaaaaaaa", 5, 0}, {{-1, 0, 'b'}, "", 1000, 0}, {{1050, -1, 'c'}, "cccccccc", 1050, 0},
           {{1500, -1, 'd'}, "", 1100, 1}, {{-1, -1, 'e'}, "", 1100, 2}, {{-1, -1, 'f'}, "", 1100, 2},
           {{-1, 50, 'g'}, "", 1050, 2}, {{-1, -1, 'h'}, "", 1100, 3}, {{-1, -1, 'i'}, "", 1100, 4}, {{0, -1, 'j'}, "", 0, 4}}) {
    next = script;
    const int64_t start = now;
    std::string destination(8, '.');
    const size_t count = pool.Read(reinterpret_cast<uint8_t*>(&destination[0]), 8, 1000);
    EXPECT_EQ(destination, (delivered + "........").substr(0, 8)) << script.fill;
    EXPECT_EQ(count, delivered.size()) << script.fill;
    EXPECT_EQ(now - start, elapsed) << script.fill;
    EXPECT_EQ(pool.abandoned(), abandoned) << script.fill;
  }
  // Records that finish at last are taken back, and reads work again.
  now = ScriptedRecord::kNever;
  next = {5, -1, 'k'};
  uint8_t reply[8];
  EXPECT_EQ(pool.Read(reply, 8, 1000), 8u);
  EXPECT_EQ(pool.abandoned(), 0u);
}

TEST(IdentificationTest, AReleaseFromAWindowMessageDuringTheWaitEndsQuietly) {
  Rig rig;
  rig.display.plan.delayMs = 1500;
  rig.clock.onPump = [&] { rig.service.ReleaseDevice(); };
  EXPECT_EQ(rig.service.OpenService(u"LineDisplay", u"ORVIX"), 106);
  EXPECT_FALSE(rig.port.IsOpen());
  EXPECT_EQ(rig.clock.now, 1000u + 3 * (102 + 22));  // one read waited; the others found no port
}

}  // namespace
}  // namespace orvix::testing
