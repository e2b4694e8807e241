#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "diag/debug_log.h"
#include "fakes/memory_log_file.h"
#include "platform/stdio_log_file.h"

namespace orvix::testing {
namespace {

struct FormatCase {
  const char* name;
  std::function<void(DebugLog&)> write;
  std::string expected;
};

class DebugLogFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DebugLogFormatTest, StoresTheFormattedPieceWithCrLf) {
  uint8_t logEnabled = 1;
  MemoryLogFile file;
  DebugLog log(logEnabled, file);
  GetParam().write(log);
  EXPECT_EQ(file.contents, GetParam().expected);
}

const std::string kLongText(10000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Formats, DebugLogFormatTest,
    ::testing::Values(
        FormatCase{"MinusOneAsHex", [](DebugLog& l) { l.Write("COFreezeEvents:0x%x\n", static_cast<unsigned>(-1)); },
                   "COFreezeEvents:0xffffffff\r\n"},
        FormatCase{"LineFeedInsideAText",
                   [](DebugLog& l) { l.Write("OpenService:\nDeviceClass:%s,DeviceName:%s\n", "Line\nDisplay", "X"); },
                   "OpenService:\r\nDeviceClass:Line\r\nDisplay,DeviceName:X\r\n"},
        FormatCase{"CarriageReturnIsKeptAsGiven", [](DebugLog& l) { l.Write("%s", "a\r\n"); }, "a\r\r\n"},
        FormatCase{"PercentSignsInATextStayText", [](DebugLog& l) { l.Write("%s\n", "100%s%n"); }, "100%s%n\r\n"},
        FormatCase{"HighBytesPassThrough", [](DebugLog& l) { l.Write("%s", "\xE9\x80?"); }, "\xE9\x80?"},
        FormatCase{"LongText", [](DebugLog& l) { l.Write("%s\n", kLongText.c_str()); }, kLongText + "\r\n"},
        FormatCase{"PiecesOfOneLine",
                   [](DebugLog& l) {
                     l.Write("GetPropertyNumber:PropIndex:0x%x", 0x1234u);
                     l.Write("return pNumber:0x%x\n", 0u);
                   },
                   "GetPropertyNumber:PropIndex:0x1234return pNumber:0x0\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DebugLogTest, TouchesNoFileWhileOff) {
  uint8_t logEnabled = 0;
  MemoryLogFile file;
  DebugLog log(logEnabled, file);
  log.Write("ClearText\n");
  EXPECT_FALSE(log.enabled());
  EXPECT_EQ(file.opens, 0);

  // The flag is read at every call, and any value but 0 means on.
  logEnabled = 0x10;
  log.Write("ClearText\n");
  EXPECT_TRUE(log.enabled());
  EXPECT_EQ(file.contents, "ClearText\r\n");
  logEnabled = 0;
  log.Write("ReleaseDevice\n");
  EXPECT_EQ(file.opens, 1);
}

TEST(DebugLogTest, AnUnopenableFileLosesThePieceSilently) {
  uint8_t logEnabled = 1;
  MemoryLogFile file;
  DebugLog log(logEnabled, file);
  file.unopenable = true;
  log.Write("lost:0x%x\n", 1u);
  file.unopenable = false;
  log.Write("kept:0x%x\n", 2u);
  EXPECT_EQ(file.contents, "kept:0x2\r\n");
  EXPECT_EQ(file.opens, 2);
}

// StdioLogFile against the real file system, in a directory of its own.
class StdioLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvix-log-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  static std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::filesystem::path dir_;
};

TEST_F(StdioLogFileTest, AppendsTheBytesExactly) {
  const std::filesystem::path path = dir_ / "OPOSDebug.txt";
  platform::StdioLogFile file(path.string());
  const std::string first("ab\0\x1A\r\n", 6);  // a NUL and a Ctrl-Z must not end anything
  ASSERT_TRUE(file.Append(first.data(), first.size()));
  ASSERT_TRUE(file.Append("cd\n", 3));
  EXPECT_EQ(Contents(path), first + "cd\n");
}

TEST_F(StdioLogFileTest, ADeletedFileStartsAgain) {
  const std::filesystem::path path = dir_ / "OPOSDebug.txt";
  platform::StdioLogFile file(path.string());
  ASSERT_TRUE(file.Append("old", 3));
  ASSERT_TRUE(std::filesystem::remove(path));
  ASSERT_TRUE(file.Append("new", 3));
  EXPECT_EQ(Contents(path), "new");
}

TEST_F(StdioLogFileTest, UnopenablePathsGiveFalse) {
  std::filesystem::create_directory(dir_ / "OPOSDebug.txt");
  platform::StdioLogFile directory((dir_ / "OPOSDebug.txt").string());
  EXPECT_FALSE(directory.Append("x", 1));
  platform::StdioLogFile missingFolder((dir_ / "missing" / "OPOSDebug.txt").string());
  EXPECT_FALSE(missingFolder.Append("x", 1));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST_F(StdioLogFileTest, ARelativePathFollowsTheCurrentDirectory) {
  const std::filesystem::path original = std::filesystem::current_path();
  std::filesystem::create_directory(dir_ / "a");
  std::filesystem::create_directory(dir_ / "b");
  platform::StdioLogFile file("OPOSDebug.txt");
  std::filesystem::current_path(dir_ / "a");
  const bool first = file.Append("1", 1);
  std::filesystem::current_path(dir_ / "b");
  const bool second = file.Append("2", 1);
  std::filesystem::current_path(original);
  EXPECT_TRUE(first && second);
  EXPECT_EQ(Contents(dir_ / "a" / "OPOSDebug.txt"), "1");
  EXPECT_EQ(Contents(dir_ / "b" / "OPOSDebug.txt"), "2");
}

TEST_F(StdioLogFileTest, TheLogReachesTheDiskWithCrLf) {
  const std::filesystem::path path = dir_ / "OPOSDebug.txt";
  platform::StdioLogFile file(path.string());
  uint8_t logEnabled = 1;
  DebugLog log(logEnabled, file);
  log.Write("DisplayText:%s,0x%x\n", "A\nB", 0u);
  log.Write("ClearText\n");
  EXPECT_EQ(Contents(path), "DisplayText:A\r\nB,0x0\r\nClearText\r\n");

  logEnabled = 0;
  std::filesystem::remove(path);
  log.Write("ClearText\n");
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace orvix::testing
