#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "fakes/fake_clock.h"
#include "link/device_link.h"

namespace orvix::testing {
namespace {

// The tick count stands still between pumps and moves by `step` every `every` pumps, so the
// number of pumps tells exactly when the wait decided to end.
struct WaitCase {
  const char* name;
  uint32_t start;
  uint32_t milliseconds;
  uint32_t step;
  int every;
  int pumps;
};

void PrintTo(const WaitCase& c, std::ostream* out) { *out << c.name; }

class WaitPumpingTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WaitPumpingTest, PumpsUntilTheTickCountHasMovedPastTheWait) {
  const WaitCase& c = GetParam();
  FakeClock clock;
  clock.tickStep = 0;
  clock.set_now(c.start);
  clock.onPump = [&] {
    if (clock.pumps > 100000) throw std::runtime_error("the wait never ends");
    if (clock.pumps % c.every == 0) clock.set_now(clock.now() + c.step);
  };
  WaitPumping(clock, c.milliseconds);
  EXPECT_EQ(clock.pumps, c.pumps);
  EXPECT_EQ(clock.sleepCalls, 0);  // it never gives the thread away
}

INSTANTIATE_TEST_SUITE_P(
    Waits, WaitPumpingTest,
    ::testing::Values(
        // The tick read before the last pump is the first one past the wait.
        WaitCase{"ZeroPumpsTwiceOnAFastClock", 1000, 0, 1, 1, 2},
        WaitCase{"ZeroKeepsPumpingWhileTheTickStands", 1000, 0, 1, 5, 6},
        WaitCase{"TenMilliseconds", 1000, 10, 1, 1, 12},
        WaitCase{"CoarseTicks", 1000, 20, 7, 1, 4},  // 0, 7, 14, 21
        WaitCase{"SixteenMillisecondTicks", 5000, 100, 16, 3, 22},
        WaitCase{"AcrossTheWrapOfTheTickCount", 0xFFFFFFF0u, 100, 1, 1, 102},
        WaitCase{"EndingExactlyAtTheWrap", 0xFFFFFF9Bu, 100, 1, 1, 102}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return info.param.name; });

TEST(WaitPumpingTest, AWindowProcedureThatWaitsAgainInsideIsFinishedFirst) {
  FakeClock clock;
  clock.tickStep = 1;
  int depth = 0;
  int deepest = 0;
  clock.onPump = [&] {
    if (depth == 2) return;
    ++depth;
    deepest = depth > deepest ? depth : deepest;
    WaitPumping(clock, 30);
    --depth;
  };
  const uint32_t start = clock.now();
  WaitPumping(clock, 100);
  EXPECT_EQ(deepest, 2);
  EXPECT_GT(clock.now() - start, 100u);
  EXPECT_LT(clock.now() - start, 100u + 3 * 40u);
}

}  // namespace
}  // namespace orvix::testing
