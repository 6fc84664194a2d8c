// The identity every statistics record carries.

#include <gtest/gtest.h>

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "stats/device_identity.h"
#include "stats/point_identity.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

struct IdentityRun {
  std::string mac;
  std::string sole;
};

IdentityRun RunOn(const Json::Value& machine) {
  TempMachine m(machine);
  CGlobalParam::Release();
  CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
  InitPointIdentity();
  const PointIdentity& id = CurrentPointIdentity();
  EXPECT_TRUE(id.ready);
  IdentityRun run{DecryptString(id.macCipher, kStatsKey), DecryptString(id.soleCipher, kStatsKey)};
  CGlobalParam::Release();
  return run;
}

Json::Value MachineAt(int64_t now) {
  Json::Value machine = MinimalMachine();
  Json::Value adapter;
  adapter["name"] = "{A}";
  adapter["mac"] = "1C-69-7A-0E-44-B2";
  machine["network"]["adapters"].append(adapter);
  machine["clock"]["now"] = Json::Int64(now);
  return machine;
}

TEST(PointIdentity, MacIsTheDeviceIdentityAndSoleTheTimeWithAFourDigitNumber) {
  IdentityRun run = RunOn(MachineAt(1700000000));
  EXPECT_EQ(run.mac, "1C-69-7A-0E-44-B2");
  // Seeded with the time, the Windows generator's first draws give 4-digit values.
  const int64_t sole = std::stoll(run.sole);
  EXPECT_EQ(sole / 10000, 1700000000);
  EXPECT_GE(sole % 10000, 1000);
  EXPECT_EQ(run.sole, std::to_string(sole));
}

TEST(PointIdentity, TwoRunsShareTheMacButNotTheSole) {
  IdentityRun first = RunOn(MachineAt(1700000000));
  IdentityRun second = RunOn(MachineAt(1700000007));
  EXPECT_EQ(first.mac, second.mac);
  EXPECT_NE(first.sole, second.sole);
}

TEST(PointIdentity, FourDigitNumberIsRedrawnUntilAtLeast1000) {
  // Search a time whose first draw falls below 1000, so the loop has to draw again.
  for (int64_t t = 1700000000; t < 1700000000 + 1000 * 1000; t += 1000) {
    uint32_t state = static_cast<uint32_t>(t) * 214013u + 2531011u;
    if (((state >> 16) & 0x7FFF) % 10000 >= 1000) continue;
    IdentityRun run = RunOn(MachineAt(t));
    EXPECT_GE(std::stoll(run.sole) % 10000, 1000) << t;
    return;
  }
  GTEST_SKIP() << "no such time in the range";
}

}  // namespace
