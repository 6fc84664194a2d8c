#include "download/stall_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Verdict = StallWatch::Verdict;
constexpr Verdict C = Verdict::Carry, R = Verdict::Restart, G = Verdict::GiveUp;

// One second without data at 250 ms per poll is four silent polls; two restarts allowed.
struct Case {
  const char* name;
  std::vector<int64_t> speeds;
  std::vector<Verdict> verdicts;
};

TEST(StallWatch, RestartsAfterTheSilentPollsAndGivesUpAfterTheRestarts) {
  const Case cases[] = {
      {"data keeps it going", {5, 0, 0, 0, 7, 0, 0, 0, 9}, {C, C, C, C, C, C, C, C, C}},
      {"four silent polls restart", {0, 0, 0, 0}, {C, C, C, R}},
      {"the count starts again after a restart", {0, 0, 0, 0, 0, 0, 0}, {C, C, C, R, C, C, C}},
      {"data between stalls does not forgive restarts",
       {0, 0, 0, 0, 5, 0, 0, 0, 0, 5, 0, 0, 0, 0},
       {C, C, C, R, C, C, C, C, R, C, C, C, C, G}},
  };
  for (const Case& c : cases) {
    StallWatch watch({1, 2}, std::chrono::milliseconds(250));
    std::vector<Verdict> got;
    for (int64_t speed : c.speeds) got.push_back(watch.Observe(speed));
    EXPECT_EQ(got, c.verdicts) << c.name;
  }
}

TEST(StallWatch, NoRestartsAllowedGivesUpAtTheFirstStall) {
  StallWatch watch({1, 0}, std::chrono::milliseconds(500));
  EXPECT_EQ(watch.Observe(0), Verdict::Carry);
  EXPECT_EQ(watch.Observe(0), Verdict::GiveUp);
  EXPECT_EQ(watch.restarts(), 0);
}

}  // namespace
