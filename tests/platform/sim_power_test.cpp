// The simulated machine's Windows version, and its restart: a request needs the shutdown
// privilege, is recorded, and the machine goes on running.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/platform.h"
#include "support/state_records.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::ReadStateLines;
using testing_support::TempMachine;

TEST(SimSystem, GetVersionAnswersTheMachinesWindows) {
  struct Case {
    const char* version;  // nullptr: not given
    bool fault;
    std::optional<platform::OsVersion> answer;
  };
  const Case cases[] = {
      {nullptr, false, platform::OsVersion{6, 1, 7601}},
      {"5.1.2600", false, platform::OsVersion{5, 1, 2600}},
      {"10.0.19045", false, platform::OsVersion{10, 0, 19045}},
      {"10.0.19045", true, std::nullopt},
  };
  for (const Case& c : cases) {
    Json::Value machine = MinimalMachine();
    if (c.version != nullptr) machine["windows"]["version"] = c.version;
    if (c.fault) machine["faults"]["version"] = true;
    TempMachine m(machine);
    auto version = platform::Current().system().GetVersion();
    ASSERT_EQ(version.has_value(), c.answer.has_value()) << (c.version ? c.version : "default");
    if (!version) continue;
    EXPECT_EQ(version->major, c.answer->major);
    EXPECT_EQ(version->minor, c.answer->minor);
    EXPECT_EQ(version->build, c.answer->build);
  }
}

constexpr uint32_t kRestartFlags = platform::kEwxReboot | platform::kEwxForceIfHung;

TEST(SimPower, ARestartWithTheShutdownPrivilegeIsAcceptedAndRecorded) {
  TempMachine m;
  auto& power = platform::Current().power();
  auto token = power.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery);
  ASSERT_TRUE(token);
  EXPECT_TRUE(power.EnablePrivilege(*token, L"SeShutdownPrivilege"));
  EXPECT_TRUE(power.ExitWindowsEx(kRestartFlags, 0));
  EXPECT_TRUE(power.ExitWindowsEx(kRestartFlags, 0));  // the machine is still running
  const auto restarts = ReadStateLines(m, "restarts.jsonl");
  ASSERT_EQ(restarts.size(), 2u);
  Json::Value expected;
  expected["flags"] = 18;
  expected["reason"] = 0;
  expected["accepted"] = true;
  EXPECT_EQ(restarts[0], expected) << restarts[0];
}

TEST(SimPower, RestartsWithoutThePrivilegeOrUnderFaultsAreRefused) {
  struct Case {
    const char* what;
    const char* fault;  // nullptr: none
    uint32_t access;
    const wchar_t* privilege;  // nullptr: none enabled
    bool tokenOpens, enabled;
    std::string refusalHas;
  };
  const Case cases[] = {
      {"no privilege enabled", nullptr, platform::kTokenAdjustPrivileges, nullptr, true, false, "SeShutdownPrivilege"},
      {"a token that may not adjust privileges", nullptr, platform::kTokenQuery, L"SeShutdownPrivilege", true, false,
       "SeShutdownPrivilege"},
      {"an unknown privilege", nullptr, platform::kTokenAdjustPrivileges, L"SeNoSuchPrivilege", true, false,
       "SeShutdownPrivilege"},
      {"another privilege", nullptr, platform::kTokenAdjustPrivileges, L"sedebugprivilege", true, true,
       "SeShutdownPrivilege"},
      {"the token refused", "processToken", platform::kTokenAdjustPrivileges, nullptr, false, false,
       "SeShutdownPrivilege"},
      {"restarts refused", "restart", platform::kTokenAdjustPrivileges, L"SeShutdownPrivilege", true, true,
       "faults.restart"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Json::Value machine = MinimalMachine();
    if (c.fault != nullptr) machine["faults"][c.fault] = true;
    TempMachine m(machine);
    auto& power = platform::Current().power();
    auto token = power.OpenProcessToken(c.access);
    ASSERT_EQ(token.has_value(), c.tokenOpens);
    if (token && c.privilege != nullptr) {
      EXPECT_EQ(power.EnablePrivilege(*token, c.privilege), c.enabled);
    }
    EXPECT_FALSE(power.ExitWindowsEx(kRestartFlags, 0));
    const auto restarts = ReadStateLines(m, "restarts.jsonl");
    ASSERT_EQ(restarts.size(), 1u);
    EXPECT_FALSE(restarts[0]["accepted"].asBool());
    EXPECT_NE(restarts[0]["refusal"].asString().find(c.refusalHas), std::string::npos) << restarts[0];
  }
}

TEST(SimPower, APrivilegeEnabledThroughOneHandleHoldsForTheProcess) {
  TempMachine m;
  auto& power = platform::Current().power();
  {
    auto token = power.OpenProcessToken(platform::kTokenAdjustPrivileges);
    ASSERT_TRUE(token);
    ASSERT_TRUE(power.EnablePrivilege(*token, L"SeShutdownPrivilege"));
  }  // the handle is closed; the process token keeps the privilege
  EXPECT_TRUE(power.ExitWindowsEx(kRestartFlags, 0));
}

}  // namespace
