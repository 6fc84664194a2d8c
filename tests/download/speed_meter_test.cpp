// The speed over about the last second.

#include <gtest/gtest.h>

#include "xldl/speed_meter.h"

namespace {

using namespace std::chrono_literals;
using xldl::SpeedMeter;

TEST(SpeedMeter, MeasuresTheLastSecondAndFallsToZeroWhenDataStops) {
  SpeedMeter meter;
  auto t0 = SpeedMeter::Clock::time_point{} + 100s;
  EXPECT_EQ(meter.BytesPerSecond(t0), 0);
  // 1 MiB/s for three seconds, in 10 ms steps.
  for (int i = 0; i <= 300; ++i) meter.Record(i * 10486, t0 + i * 10ms);
  EXPECT_NEAR(meter.BytesPerSecond(t0 + 3s), 1048600, 20000);
  // A burst a quarter second ago, then nothing: the last second still holds it ...
  meter.Record(300 * 10486 + 2000000, t0 + 3s + 50ms);
  EXPECT_GT(meter.BytesPerSecond(t0 + 3s + 250ms), 2000000);
  // ... and once a second has passed without data, the speed is 0.
  EXPECT_EQ(meter.BytesPerSecond(t0 + 4s + 100ms), 0);
  EXPECT_EQ(meter.BytesPerSecond(t0 + 60s), 0);
  meter.Reset();
  EXPECT_EQ(meter.BytesPerSecond(t0 + 60s), 0);
}

}  // namespace
