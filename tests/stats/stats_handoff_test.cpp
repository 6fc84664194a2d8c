// The statistics keys of the WinPE hand-off file.

#include "stats/stats_handoff.h"

#include <gtest/gtest.h>

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "stats/query_view.h"
#include "stats/stats_url.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

class StatsHandoffTest : public testing::Test {
 protected:
  void SetUp() override { CGlobalParam::Release(); }
  void TearDown() override { CGlobalParam::Release(); }
};

std::string ReadKey(const wchar_t* key) {
  return WideToLocal(platform::Current().profiles().ReadString(L"do", key, L"(missing)", L"D:\\Config.ini"));
}

TEST_F(StatsHandoffTest, WritesKeyUrlAndIdentityPairsIntoTheRootOfTheProgramDrive) {
  Json::Value machine = MinimalMachine();
  Json::Value adapter;
  adapter["name"] = "{A}";
  adapter["mac"] = "1C-69-7A-0E-44-B2";
  machine["network"]["adapters"].append(adapter);
  TempMachine m(machine);
  // What the backup step wrote before stays.
  m.WriteFile(L"D:\\Config.ini", "[do]\r\nBP=earlier\r\nK=stale\r\n");
  const std::string sole = EncryptString("17000000001234", kStatsKey);

  WriteStatsHandoff(1999, sole);

  EXPECT_EQ(ReadKey(L"K"), "xirpelquat583920");
  EXPECT_EQ(DecryptString(ReadKey(L"FU"), kStatsKey), StatisticsUrl());
  EXPECT_TRUE(StatisticsUrl().ends_with("/api/indepth"));
  const std::string fd = ReadKey(L"FD");
  EXPECT_EQ(DecryptedView(fd), "mac=1C-69-7A-0E-44-B2\nsole=17000000001234\nstep=1999");
  EXPECT_EQ(QueryPairs(fd)[1].second, sole);  // passed on unchanged
  EXPECT_EQ(ReadKey(L"BP"), "earlier");
}

}  // namespace
