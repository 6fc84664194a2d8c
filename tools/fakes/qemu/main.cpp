// qemu.exe of the simulated machine: the emulator the USB maker starts on a stick. It
// checks that the disk it is to boot exists and records its command line and working
// folder in state/qemu.jsonl; nothing boots and nothing is written to the disk.

#include <cstdlib>
#include <iostream>
#include <string>

#include <json/value.h>

#include "fakes/support/fake_tool.h"
#include "fakes/support/machine_state.h"
#include "platform/sim/sim_services.h"

namespace {

constexpr char kUsage[] =
    "Usage: qemu [-L DIR] [-m MB] [-boot c] -hda //./PhysicalDriveN [OPTION...]   (on the machine TARNVIK_MACHINE)\n"
    "  Appends one line to state/qemu.jsonl: the arguments, the working folder and the disk.\n"
    "  Exit status 0, or 1 with a message on stderr when -hda names no disk of the machine.\n";

int Run(const std::vector<std::string>& args) {
  auto machine = sim::OpenMachineFromEnvironment();
  Json::Value record;
  record["arguments"] = Json::Value(Json::arrayValue);
  std::string hda;
  for (size_t i = 0; i < args.size(); ++i) {
    record["arguments"].append(args[i]);
    if (args[i] == "-hda" && i + 1 < args.size()) hda = args[i + 1];
  }
  const std::string prefix = "//./PhysicalDrive";
  if (hda.compare(0, prefix.size(), prefix) != 0 || hda.size() == prefix.size() ||
      hda.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
    throw fakes::ToolError("-hda takes //./PhysicalDriveN, not '" + hda + "'");
  }
  const unsigned long number = std::stoul(hda.substr(prefix.size()));
  bool found = false;
  for (const sim::Disk& disk : machine->config().disks) found = found || disk.number == number;
  if (!found) throw fakes::ToolError("could not open disk image " + hda + ": there is no disk " + std::to_string(number));
  const char* directory = std::getenv("TARNVIK_DIRECTORY");
  record["directory"] = directory != nullptr ? directory : "";
  record["disk"] = static_cast<Json::UInt>(number);
  {
    fakes::MachineLock lock(*machine);
    fakes::AppendStateLine(*machine, "qemu.jsonl", record);
  }
  std::cout << "booting disk " << number << " (snapshot)\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"qemu", kUsage}, argc, argv, Run); }
