// orvix_wine_bench FOLDER [ROUNDS]: the Wine benchmarks of ORVIX.DLL, each measured beside
// what it competes with, in the same process and interleaved block by block with our calls:
//   - DisplayText("AB") through IDispatch as the Control Object calls it, and early-bound,
//     against bare overlapped writes of the same 8 bytes on a second port (COM8) that has a
//     display of its own;
//   - the time from a DisplayText call to its last byte at the display (the harness reads
//     the displays' arrival times), against the same for a bare write;
//   - OpenService against a display that answers at once, against a bare open,
//     identification request and 8-byte reply on the same port (COM7);
//   - the CPU time of OpenService against a silent display.
// Prints "figure NAME VALUE" lines, which the harness turns into the report, and the usual
// check lines. FOLDER is where it meets the harness (see harness_link.h).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bare_port.h"
#include "checks.h"
#include "com/com_interface.h"
#include "harness_link.h"
#include "late_bound_display.h"
#include "process_probe.h"
#include "test_text.h"

namespace orvix::wine_client {
namespace {

constexpr LONG kSuccess = 0;
constexpr LONG kIllegal = 106;
constexpr int kBlockCalls = 200;
constexpr int kLatencySamples = 300;
constexpr int kOpenRounds = 40;
constexpr int kSilentOpens = 3;
// What DisplayText("AB", DISP_DT_NORMAL) sends: reverse video off, blinking off, the text.
constexpr uint8_t kTextAB[] = {0x1F, 0x72, 0x00, 0x1F, 0x45, 0x00, 0x41, 0x42};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void Figure(const char* name, double value) {
  std::printf("figure %s %.3f\n", name, value);
  std::fflush(stdout);
}

// Nanoseconds per call of `block` calls of `call`.
template <typename Call>
double TimeBlock(Call call) {
  const int64_t start = MonotonicNs();
  for (int i = 0; i < kBlockCalls; ++i) call();
  return static_cast<double>(MonotonicNs() - start) / kBlockCalls;
}

struct Bench {
  Bench(Checks& c, HarnessLink& h) : checks(c), harness(h) {}

  Checks& checks;
  HarnessLink& harness;
  LateBoundDisplay late;
  win32::ComPtr<Iposlinedisplay> early;
  BarePort bare;
  TestText ab{"AB"};
  long failures = 0;

  void LateText() {
    if (late.DisplayText(ab.wide(), 0) != kSuccess) ++failures;
  }
  void EarlyText() {
    LONG result = -1;
    if (FAILED(early->DisplayText(ab.wide(), 0, &result)) || result != kSuccess) ++failures;
  }
  void BareText() { bare.Write(kTextAB, sizeof kTextAB); }

  void Throughput(int rounds);
  void Latency();
  void OpenService();
  void SilentOpenCpu();
};

void Bench::Throughput(int rounds) {
  std::vector<double> lateNs, earlyNs, bareNs, lateRatios, earlyRatios;
  // A first round that is not counted: the first calls load the type information.
  for (int round = -1; round < rounds; ++round) {
    // Each kind in turn, each with a bare block right beside it; the displays get a moment
    // between blocks to read what came, so that no block waits for a full line.
    const double lateBlock = TimeBlock([&] { LateText(); });
    Sleep(2);
    const double bareBlock1 = TimeBlock([&] { BareText(); });
    Sleep(2);
    const double earlyBlock = TimeBlock([&] { EarlyText(); });
    Sleep(2);
    const double bareBlock2 = TimeBlock([&] { BareText(); });
    Sleep(2);
    if (round < 0) continue;
    lateNs.push_back(lateBlock);
    earlyNs.push_back(earlyBlock);
    bareNs.push_back(bareBlock1);
    bareNs.push_back(bareBlock2);
    lateRatios.push_back(lateBlock / bareBlock1);
    earlyRatios.push_back(earlyBlock / bareBlock2);
  }
  checks.Equal(failures, 0, "every DisplayText of the throughput rounds gave OPOS_SUCCESS");
  Figure("late-call-ns", Median(lateNs));
  Figure("early-call-ns", Median(earlyNs));
  Figure("bare-write-ns", Median(bareNs));
  Figure("late-ratio", Median(lateRatios));
  Figure("early-ratio", Median(earlyRatios));
  Figure("throughput-calls", static_cast<double>(rounds + 1) * kBlockCalls);
}

void Bench::Latency() {
  // Each sample: the time before the call, on the clock the displays stamp their reads with,
  // and the count of bytes the display has received once the call's bytes are in.
  std::string samples;
  char line[96];
  for (int i = 0; i < kLatencySamples; ++i) {
    Sleep(3);
    int64_t before = RealtimeNs();
    int64_t start = MonotonicNs();
    LateText();
    int64_t returned = MonotonicNs() - start;
    std::snprintf(line, sizeof line, "ours %lld %lld %d\n", static_cast<long long>(before),
                  static_cast<long long>(returned), static_cast<int>((i + 1) * sizeof kTextAB));
    samples += line;
    Sleep(3);
    before = RealtimeNs();
    start = MonotonicNs();
    BareText();
    returned = MonotonicNs() - start;
    std::snprintf(line, sizeof line, "bare %lld %lld %d\n", static_cast<long long>(before),
                  static_cast<long long>(returned), static_cast<int>((i + 1) * sizeof kTextAB));
    samples += line;
  }
  Sleep(20);
  checks.Equal(failures, 0, "every DisplayText of the latency samples gave OPOS_SUCCESS");
  checks.That(harness.WriteData("latency.txt", samples.data(), samples.size()) && harness.Step("latency"),
              "the harness took the displays' arrival times");
}

void Bench::OpenService() {
  std::vector<double> openNs, bareNs, ratios, registryNs, configureNs;
  long wrong = 0;
  late.CloseService();
  for (int round = -1; round < kOpenRounds; ++round) {
    const int64_t start = MonotonicNs();
    const LONG result = late.OpenService(L"ORVIX");
    const double open = static_cast<double>(MonotonicNs() - start);
    late.CloseService();
    int64_t bare = 0;
    const bool identified = BareIdentify("COM7", &bare);
    if (result != kSuccess || !identified) ++wrong;
    // The two steps of OpenService that the bare round trip lacks, each done bare: where
    // the difference goes.
    const double registry = static_cast<double>(BareProfileRead());
    const double configure = static_cast<double>(BareLineSettings("COM7"));
    if (round < 0) continue;
    openNs.push_back(open);
    bareNs.push_back(static_cast<double>(bare));
    ratios.push_back(open / static_cast<double>(bare));
    registryNs.push_back(registry);
    configureNs.push_back(configure);
  }
  checks.Equal(wrong, 0, "every OpenService and every bare identification found the display");
  Figure("open-ns", Median(openNs));
  Figure("bare-open-ns", Median(bareNs));
  Figure("open-ratio", Median(ratios));
  Figure("bare-profile-read-ns", Median(registryNs));
  Figure("bare-line-settings-ns", Median(configureNs));
}

void Bench::SilentOpenCpu() {
  std::vector<double> cpuMs, wallMs;
  for (int i = 0; i < kSilentOpens; ++i) {
    const uint64_t cpu = ThreadCpuTime();
    const int64_t start = MonotonicNs();
    const LONG result = late.OpenService(L"ORVIX");
    wallMs.push_back(static_cast<double>(MonotonicNs() - start) / 1e6);
    cpuMs.push_back(static_cast<double>(ThreadCpuTime() - cpu) / 1e4);
    checks.Equal(result, kIllegal, "OpenService against a silent display gives OPOS_E_ILLEGAL");
    late.CloseService();
  }
  Figure("silent-open-cpu-ms", Median(cpuMs));
  Figure("silent-open-wall-ms", Median(wallMs));
}

}  // namespace
}  // namespace orvix::wine_client

int main(int argc, char** argv) {
  using namespace orvix::wine_client;
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvix_wine_bench FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
  HarnessLink harness(std::wstring(folder.begin(), folder.end()));
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  Checks checks;
  {
    Bench bench(checks, harness);
    HRESULT hr = S_OK;
    bool ready = checks.That(bench.late.Create(&hr), "the object is made and its names bound (0x%08lx)",
                             static_cast<unsigned long>(hr));
    ready = ready && checks.Result(bench.late.dispatch()->QueryInterface(
                                       IID_Iposlinedisplay, reinterpret_cast<void**>(bench.early.put())),
                                   S_OK, "the same object early-bound");
    ready = ready && checks.Equal(bench.late.OpenService(L"ORVIX"), kSuccess, "OpenService on COM7");
    ready = ready && checks.That(bench.bare.Open("COM8"), "the bare port COM8 opens");
    ready = ready && checks.That(harness.Step("opened"), "the harness cleared the displays");
    if (ready) {
      bench.Throughput(rounds);
      bench.bare.Close();
      bench.bare.Open("COM8");
      checks.That(harness.Step("throughput"), "the harness checked the bytes of the throughput rounds");
      bench.Latency();
      bench.OpenService();
      if (checks.That(harness.Step("silent"), "the harness made the display silent")) bench.SilentOpenCpu();
    }
    checks.Equal(bench.late.invokeFailures(), 0, "no Invoke failed");
  }
  checks.Summary();
  CoUninitialize();
  return checks.failures();
}
