// bcdedit.dll of the simulated machine: edits the boot store in state/bcd.json, or a store
// file named with /store.

#include <iostream>

#include "fakes/bcdedit/boot_store.h"
#include "fakes/bcdedit/edit_commands.h"
#include "fakes/bcdedit/enum_text.h"
#include "fakes/support/fake_tool.h"
#include "fakes/support/machine_state.h"

namespace {

constexpr char kUsage[] =
    "Usage: bcdedit [/store FILE] COMMAND ...   (the boot store of the machine TARNVIK_MACHINE,\n"
    "                                            state/bcd.json, or the store file FILE)\n"
    "  /create {GUID} /d DESCRIPTION /application osloader|bootsector\n"
    "  /create {ramdiskoptions} [/d DESCRIPTION]\n"
    "  /delete {id} [/f]            /f is needed for a well-known identifier\n"
    "  /set {id} ELEMENT VALUE      device, path, locale, osdevice, systemroot, nx, pae,\n"
    "                               detecthal, winpe, ramdisksdidevice, ramdisksdipath,\n"
    "                               timeout ({bootmgr})\n"
    "  /timeout SECONDS             the boot manager's time-out\n"
    "  /displayorder {id} /addlast\n"
    "  /default {id}\n"
    "  /enum                        prints every entry with its elements\n"
    "Exit status 0 on success, 1 with a message on stderr otherwise (the store unchanged).\n";

int Run(std::vector<std::string> args) {
  std::string storeFile;  // empty: the machine's own store
  if (!args.empty() && fakes::EqualsNoCase(args[0], "/store")) {
    if (args.size() == 1) throw fakes::ToolError("/store needs the store file");
    storeFile = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) throw fakes::ToolError("no command given (bcdedit --help lists them)");
  if (!fakes::EqualsNoCase(args[0], "/enum") && !fakes::IsEditCommand(args[0])) {
    throw fakes::ToolError("'" + args[0] + "' is not a command of this editor (bcdedit --help lists them)");
  }
  auto machine = sim::OpenMachineFromEnvironment();
  fakes::MachineLock lock(*machine);
  const fakes::StoreLocation location =
      storeFile.empty() ? fakes::SystemStore(*machine) : fakes::StoreFileAt(*machine, storeFile);
  fakes::BootStore store = fakes::LoadStore(*machine, location);
  if (fakes::EqualsNoCase(args[0], "/enum")) {
    if (args.size() != 1) throw fakes::ToolError("/enum takes no arguments");
    std::cout << fakes::EnumText(store);
    return 0;
  }
  std::string line = fakes::ApplyEditCommand(*machine, store, args);
  fakes::SaveStore(location, store);
  std::cout << line << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"bcdedit", kUsage}, argc, argv, Run); }
