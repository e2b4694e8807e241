// The core's own cost per call: the service object over a serial port that drops what it is
// given, with logging off, as the DLL runs it once OpenService has found the display.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "common/opos.h"
#include "null_platform.h"
#include "service/line_display_service.h"

namespace orvix::bench {
namespace {

// An opened service object, "Option" 0 (logging off, parameters repaired, columns from 1).
class OpenedService {
 public:
  OpenedService() {
    registry_.SetText("DeviceType", "COM");
    registry_.SetDword("DeviceID", 0);
    registry_.SetDword("Option", 0);
    registry_.SetText("COMPORT", "COM1");
    registry_.SetText("Baud", "9600");
    registry_.SetText("Parity", "0");
    registry_.SetText("DataLength", "8");
    registry_.SetText("StopBit", "0");
    if (service_.OpenService(u"LineDisplay", u"ORVIX") != opos::kSuccess) std::abort();
    port_.bytesDropped = 0;
  }

  LineDisplayService& service() { return service_; }
  uint64_t bytesSent() const { return port_.bytesDropped; }

 private:
  PlatformServices Platform() {
    PlatformServices platform;
    platform.registry = &registry_;
    platform.serialPort = &port_;
    platform.clock = &clock_;
    platform.ansi = &codec_;
    platform.logFile = &logFile_;
    return platform;
  }

  ProfileRegistry registry_;
  NullSerialPort port_;
  IdleClock clock_;
  Latin1Codec codec_;
  NullLogFile logFile_;
  LineDisplayService service_{Platform()};
};

void Report(benchmark::State& state, const OpenedService& opened) {
  state.counters["bytes/call"] =
      benchmark::Counter(static_cast<double>(opened.bytesSent()), benchmark::Counter::kAvgIterations);
}

void BM_DisplayText(benchmark::State& state) {
  OpenedService opened;
  for (auto _ : state) benchmark::DoNotOptimize(opened.service().DisplayText(u"AB", opos::kDisplayNormal));
  Report(state, opened);
}
BENCHMARK(BM_DisplayText);

void BM_DisplayText40(benchmark::State& state) {
  OpenedService opened;
  const char16_t* text = u"Total 12.34 EUR     Thank you, goodbye!!";
  for (auto _ : state) benchmark::DoNotOptimize(opened.service().DisplayText(text, opos::kDisplayNormal));
  Report(state, opened);
}
BENCHMARK(BM_DisplayText40);

void BM_DisplayTextAt(benchmark::State& state) {
  OpenedService opened;
  for (auto _ : state) benchmark::DoNotOptimize(opened.service().DisplayTextAt(2, 5, u"AB", opos::kDisplayBlink));
  Report(state, opened);
}
BENCHMARK(BM_DisplayTextAt);

void BM_ClearText(benchmark::State& state) {
  OpenedService opened;
  for (auto _ : state) benchmark::DoNotOptimize(opened.service().ClearText());
  Report(state, opened);
}
BENCHMARK(BM_ClearText);

void BM_ScrollText(benchmark::State& state) {
  OpenedService opened;
  opened.service().DisplayTextAt(1, 1, u"ABCDEFGHIJKLMNOPQRST", opos::kDisplayNormal);
  for (auto _ : state) benchmark::DoNotOptimize(opened.service().ScrollText(opos::kScrollLeft, 1));
  Report(state, opened);
}
BENCHMARK(BM_ScrollText);

void BM_SetPropertyNumber(benchmark::State& state) {
  OpenedService opened;
  for (auto _ : state) opened.service().SetPropertyNumber(opos::kPidxDispDeviceBrightness, 3);
  Report(state, opened);
}
BENCHMARK(BM_SetPropertyNumber);

void BM_GetPropertyNumber(benchmark::State& state) {
  OpenedService opened;
  for (auto _ : state) benchmark::DoNotOptimize(opened.service().GetPropertyNumber(opos::kPidxDispCursorColumn));
}
BENCHMARK(BM_GetPropertyNumber);

}  // namespace
}  // namespace orvix::bench

BENCHMARK_MAIN();
