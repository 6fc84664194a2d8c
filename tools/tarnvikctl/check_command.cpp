// tarnvikctl check: runs the program's system check on a simulated machine, headless,
// against the configured services, and prints what the check page would show and what
// the check stored. Support staff use it to see why a machine got its recommendation.

#include <cstdio>
#include <string>
#include <vector>

#include "app/global_param.h"
#include "arguments.h"
#include "command.h"
#include "open_machine.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "printed_check_page.h"
#include "reinstall/reinstall_controller.h"
#include "service_url.h"

namespace {

constexpr char kUsage[] = "check --machine DIR             the system check of a machine, and what it found";

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

void PrintResults(tarnvikctl::PrintedCheckPage& page, const ReinstallController& controller) {
  for (const std::string& line : page.Lines()) std::printf("%s\n", line.c_str());
  for (const auto& e : controller.osList) {
    std::printf("%d\t%d\t%s\t%s\n", e->state, e->bits, Utf8(e->fileName).c_str(), Utf8(e->name).c_str());
  }
  const PeEntry& pe = controller.peEntry;
  std::printf("WinPE:\t%s\t%lld\t%s\t%d\n", Utf8(pe.fileName).c_str(), static_cast<long long>(pe.size),
              Utf8(pe.url).c_str(), pe.state);
}

std::string MachineOption(const std::vector<std::string>& args) {
  std::string folder;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      folder = tarnvikctl::OptionValue(args, i);
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (folder.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  return folder;
}

int RunCheck(const std::vector<std::string>& args) {
  const std::string folder = MachineOption(args);
  if (std::string problem = tarnvikctl::ServiceBaseProblem(); !problem.empty()) {
    std::fprintf(stderr, "tarnvikctl check: %s\n", problem.c_str());
    return 2;
  }
  std::unique_ptr<sim::SimPlatform> machine = tarnvikctl::OpenMachine(folder, "check");
  if (!machine) return 1;
  platform::ScopedPlatform installed(*machine);
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  int result = 0;
  {
    tarnvikctl::PrintedCheckPage page;
    ReinstallController controller;
    controller.checkPage = &page;
    controller.StartSystemCheck();
    if (tarnvikctl::WaitForCheck(controller)) {
      PrintResults(page, controller);
    } else {
      std::fputs("tarnvikctl check: the check did not end\n", stderr);
      result = 1;
    }
  }
  params.reset();
  CGlobalParam::Release();
  std::fflush(stdout);
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"check", kUsage, RunCheck});

}  // namespace
