// Every case of tests/cases/*.txt, played against the service object over the fakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/fakes.h"
#include "runner/transcript.h"

namespace orvix::transcript {

void PrintTo(const Case& c, std::ostream* out) { *out << c.file << ":" << c.lineNumber; }

namespace {

class HostStage : public Stage {
 public:
  std::string Begin(const Case&) override { return rig_ = std::make_unique<testing::Rig>(), ""; }

  std::string Arrange(const Step& step) override {
    const std::vector<Value>& o = step.operands;
    const std::string name = Bytes8(o[0].text), rest = step.line.substr(step.line.find(' ') + 1);
    std::vector<uint8_t> text;
    if (o.size() > 2) for (char c : Bytes8(o[2].text) + '\0') text.push_back(static_cast<uint8_t>(c));
    if (step.kind == Step::Kind::kProfile) {
      const std::string type = Bytes8(o[1].text);
      if (type == "delete") rig_->registry.Remove(std::string("HKLM\\") + testing::kProfileKey, name);
      if (type == "sz") rig_->ProfileValue(name, platform::RegistryReader::kTypeString, text);
      if (type == "multi_sz") text.push_back(0), rig_->ProfileValue(name, 7, text);
      if (type == "dword") rig_->ProfileValue(name, platform::RegistryReader::kTypeDword, testing::DwordBytes(static_cast<uint32_t>(o[2].number)));
      if (type == "binary") rig_->ProfileValue(name, platform::RegistryReader::kTypeBinary, step.bytes);
    } else if (step.kind == Step::Kind::kAlias) {
      rig_->registry.SetText(std::string("HKLM\\") + testing::kClassKey, name, Bytes8(o[1].text));
    } else if (step.kind == Step::Kind::kUsb) {
      // Under both classes: the service looks under the one of its display.
      rig_->bus.interfaces.push_back({testing::kUsbPrintingClass, name});
      rig_->bus.interfaces.push_back({testing::kUsbDeviceClass, name});
    } else if (step.kind == Step::Kind::kLogFile) {
      rig_->logFile.blocked = true;
    } else if (rest == "drop" || rest == "restore") {
      rest == "drop" ? rig_->port.Drop() : rig_->port.Restore();
    } else if (rest == "cts off" || rest == "cts on") {
      rig_->port.cts = rest == "cts on";
    } else if (rest == "modem unreadable") {
      rig_->port.modemReadable = false;
    } else {
      std::string why;
      return vpd::ParseReplyPlan(rest, &rig_->display.plan, &why) ? "" : why;
    }
    return "";
  }

  std::string Invoke(const Step& call, Value* result, double* elapsedMs) override {
    LineDisplayService& s = rig_->service;
    const std::string& m = call.method;
    auto n = [&](size_t i) { return static_cast<int32_t>(call.operands[i].number); };
    auto t = [&](size_t i) { return call.operands[i].text.c_str(); };
    const uint32_t start = rig_->clock.now;
    int32_t r = 0;
    if (m == "GetPropertyString") *result = Text8(s.GetPropertyString(n(0)));
    else if (m == "COFreezeEvents") r = s.COFreezeEvents(static_cast<int16_t>(n(0)));
    else if (m == "GetPropertyNumber") r = s.GetPropertyNumber(n(0));
    else if (m == "SetPropertyNumber") s.SetPropertyNumber(n(0), n(1));
    else if (m == "SetPropertyString") s.SetPropertyString(n(0), t(1));
    else if (m == "OpenService") r = s.OpenService(t(0), t(1));
    else if (m == "CheckHealth") r = s.CheckHealth(n(0));
    else if (m == "ClaimDevice") r = s.ClaimDevice(n(0));
    else if (m == "CloseService") r = s.CloseService();
    else if (m == "DirectIO") r = s.DirectIO(n(0));
    else if (m == "ReleaseDevice") r = s.ReleaseDevice();
    else if (m == "ClearText") r = s.ClearText();
    else if (m == "DisplayText") r = s.DisplayText(t(0), n(1));
    else if (m == "DisplayTextAt") r = s.DisplayTextAt(n(0), n(1), t(2), n(3));
    else if (m == "ScrollText") r = s.ScrollText(n(0), n(1));
    else r = s.Unsupported(m.c_str());  // the fourteen methods this display has no use for
    *elapsedMs = rig_->clock.now - start;
    result->number = r;
    return "";
  }

  std::string Inspect(const Step& step) override {
    if (step.kind == Step::Kind::kBytes) {
      const std::vector<uint8_t> since(rig_->display.received.begin() + static_cast<std::ptrdiff_t>(seen_), rig_->display.received.end());
      seen_ = rig_->display.received.size();
      return since == step.bytes ? "" : "the display received " + Hex(since);
    }
    if (step.kind == Step::Kind::kLine) {  // stop bits 0 one, 1 one and a half, 2 two
      const platform::CommSettings& line = rig_->port.settings;
      const std::string shown = std::to_string(line.baudRate) + " " + std::to_string(line.stopBits == 2 ? 2 : 1);
      return shown == step.line.substr(5) ? "" : "the line runs at " + shown;
    }
    std::string shown, expected;
    for (int row = 0; row < 2; ++row) {
      const auto cells = rig_->display.screen.Cells().begin() + 20 * row;
      std::u16string padded = step.operands[row].text;
      padded.resize(std::max<size_t>(padded.size(), 20), u' ');
      shown += " " + Describe(Value{true, 0, std::u16string(cells, cells + 20)});
      expected += " " + Describe(Value{true, 0, padded});
    }
    return shown == expected ? "" : "the display shows" + shown;
  }

  std::string LogFileBytes() override { return rig_->logFile.contents; }
  void End() override { rig_.reset(), seen_ = 0; }
  bool ExactClock() const override { return true; }

 private:
  std::unique_ptr<testing::Rig> rig_;
  size_t seen_ = 0;
};

std::string g_parseError;

std::vector<Case> LoadCases() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(ORVIX_SOURCE_DIR "/tests/cases")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<Case> cases;
  for (const auto& file : files) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    if (!Parse(text.str(), "tests/cases/" + file.filename().string(), &cases, &g_parseError)) break;
  }
  return cases;
}

class Transcript : public ::testing::TestWithParam<Case> {};

TEST_P(Transcript, Plays) {
  HostStage stage;
  EXPECT_EQ(Play(GetParam(), stage), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, Transcript, ::testing::ValuesIn(LoadCases()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

TEST(Transcripts, Parse) { EXPECT_EQ(g_parseError, ""); }

}  // namespace
}  // namespace orvix::transcript
