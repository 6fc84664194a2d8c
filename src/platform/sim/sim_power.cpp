#include <json/json.h>

#include "platform/sim/machine_config.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/state_files.h"

namespace sim {
namespace {

// The access an open token was asked for.
struct Token {
  uint32_t access = 0;
};

// The privileges LookupPrivilegeValueW knows, folded.
bool IsKnownPrivilege(const std::wstring& folded) {
  static const wchar_t* const names[] = {
      L"seassignprimarytokenprivilege", L"seauditprivilege", L"sebackupprivilege", L"sechangenotifyprivilege",
      L"secreateglobalprivilege", L"secreatepagefileprivilege", L"secreatepermanentprivilege",
      L"secreatesymboliclinkprivilege", L"secreatetokenprivilege", L"sedebugprivilege",
      L"seenabledelegationprivilege", L"seimpersonateprivilege", L"seincreasebasepriorityprivilege",
      L"seincreasequotaprivilege", L"seincreaseworkingsetprivilege", L"seloaddriverprivilege",
      L"selockmemoryprivilege", L"semachineaccountprivilege", L"semanagevolumeprivilege",
      L"seprofilesingleprocessprivilege", L"serelabelprivilege", L"seremoteshutdownprivilege",
      L"serestoreprivilege", L"sesecurityprivilege", L"seshutdownprivilege", L"sesyncagentprivilege",
      L"sesystemenvironmentprivilege", L"sesystemprofileprivilege", L"sesystemtimeprivilege",
      L"setakeownershipprivilege", L"setcbprivilege", L"setimezoneprivilege",
      L"setrustedcredmanaccessprivilege", L"seundockprivilege"};
  for (const wchar_t* name : names) {
    if (folded == name) return true;
  }
  return false;
}

}  // namespace

std::optional<platform::TokenHandle> SimPower::OpenProcessToken(uint32_t access) {
  if (machine_.config().faults.processToken) return std::nullopt;
  return platform::TokenHandle{std::make_shared<Token>(Token{access})};
}

// Every handle opened on the process token reaches the one token of the process, so an
// enabled privilege stays enabled for the whole process.
bool SimPower::EnablePrivilege(const platform::TokenHandle& token, const std::wstring& privilegeName) {
  const auto* opened = static_cast<const Token*>(token.native.get());
  const std::wstring privilege = FoldCase(privilegeName);
  if (opened == nullptr || !(opened->access & platform::kTokenAdjustPrivileges) || !IsKnownPrivilege(privilege)) {
    return false;
  }
  std::lock_guard lock(lock_);
  enabled_.insert(privilege);
  return true;
}

// The request is recorded in state/restarts.jsonl; the machine goes on running.
bool SimPower::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  std::string refusal;
  {
    std::lock_guard lock(lock_);
    if (enabled_.count(L"seshutdownprivilege") == 0) refusal = "SeShutdownPrivilege is not enabled in the process token";
  }
  if (refusal.empty() && machine_.config().faults.restart) refusal = "faults.restart of machine.json refuses restarts";
  Json::Value line;
  line["flags"] = flags;
  line["reason"] = reason;
  line["accepted"] = refusal.empty();
  if (!refusal.empty()) line["refusal"] = refusal;
  AppendStateLine(machine_.StateFile("restarts.jsonl"), line);
  return refusal.empty();
}

}  // namespace sim
