// The program entry on Linux: runs on the simulated machine named by TARNVIK_MACHINE.

#include <cstdio>
#include <memory>

#include "app/global_param.h"
#include "app/log.h"
#include "app/product.h"
#include "app/text_helpers.h"
#include "download/thunder.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "stats/device_identity.h"
#include "stats/fixed_point.h"
#include "stats/fixed_points.h"

namespace {

// What start-up established, for the terminal, until the main window shows it.
void PrintStartupSummary(const CGlobalParam& params) {
  auto line = [](const char* label, const std::wstring& value) {
    std::printf("%-20s %s\n", label, platform::WideToUtf8(value).c_str());
  };
  line("program folder:", params.programDir);
  line("image folder:", params.imageDir);
  line("WinPE folder:", params.peDir);
  line("cache folder:", params.cacheDir);
  line("version:", params.version);
  line("channel:", params.channel);
  line("device identity:", params.deviceId);
  line("system drive:", std::wstring(1, params.systemDrive));
  line("USB or system drive:", params.onUsbOrSystemDrive ? L"yes" : L"no");
  std::fflush(stdout);
}

}  // namespace

int main() {
  std::unique_ptr<sim::SimPlatform> machine;
  try {
    machine = sim::OpenMachineFromEnvironment();
  } catch (const sim::MachineError& e) {
    std::fprintf(stderr, "Tarnvik: %s\n", e.what());
    return 1;
  }
  platform::Install(machine.get());

  CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  LogLine(WideToLocal(kProductTitle));
  LogLine(WideToLocal(params->programDir));

  // Downloads interrupted in an earlier run are known before anything else starts.
  CThunder::Instance()->LoadTaskList();
  CFixedPoint::Instance()->Post(std::make_unique<FixedOpen>());

  PrintStartupSummary(*params);

  CFixedPoint::Shutdown();
  CThunder::Release();
  params.reset();
  CGlobalParam::Release();
  platform::Install(nullptr);
  return 0;
}
