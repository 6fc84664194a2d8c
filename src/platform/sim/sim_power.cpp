#include "platform/sim/sim_services.h"

namespace sim {

// The machine refuses to restart so far.
std::optional<platform::TokenHandle> SimPower::OpenProcessToken(uint32_t) { return std::nullopt; }

bool SimPower::EnablePrivilege(const platform::TokenHandle&, const std::wstring&) { return false; }

bool SimPower::ExitWindowsEx(uint32_t, uint32_t) { return false; }

}  // namespace sim
