// bootsect.exe of the simulated machine: records which volume got which boot code in
// state/bootsect.jsonl.

#include <cctype>
#include <iostream>

#include <json/value.h>

#include "fakes/support/fake_tool.h"
#include "fakes/support/machine_state.h"
#include "platform/sim/sim_services.h"

namespace {

constexpr char kUsage[] =
    "Usage: bootsect /nt52|/nt60 X: [/mbr]   (on the machine TARNVIK_MACHINE)\n"
    "  Writes the boot code of the NT loader (/nt52) or the boot manager (/nt60) to volume X:,\n"
    "  and with /mbr the master boot record of the disk that holds it: appends one line to\n"
    "  state/bootsect.jsonl. Exit status 0 on success, 1 with a message on stderr otherwise.\n";

struct Request {
  std::string code;  // "nt52" or "nt60"
  char letter = 0;
  bool mbr = false;
};

Request ReadRequest(const std::vector<std::string>& args) {
  Request request;
  for (const std::string& arg : args) {
    std::string option = fakes::LowerAscii(arg);
    if (option == "/nt52" || option == "/nt60") {
      if (!request.code.empty()) throw fakes::ToolError("give one of /nt52 and /nt60, once");
      request.code = option.substr(1);
    } else if (option == "/mbr") {
      if (request.mbr) throw fakes::ToolError("/mbr is given twice");
      request.mbr = true;
    } else if (arg.size() == 2 && arg[1] == ':' && std::isalpha(static_cast<unsigned char>(arg[0]))) {
      if (request.letter != 0) throw fakes::ToolError("give one volume");
      request.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(arg[0])));
    } else {
      throw fakes::ToolError("'" + arg + "' is neither /nt52, /nt60, /mbr nor a volume such as C:");
    }
  }
  if (request.code.empty()) throw fakes::ToolError("/nt52 or /nt60 is missing");
  if (request.letter == 0) throw fakes::ToolError("the volume (such as C:) is missing");
  return request;
}

int Run(const std::vector<std::string>& args) {
  Request request = ReadRequest(args);
  auto machine = sim::OpenMachineFromEnvironment();
  std::string volume = std::string(1, request.letter) + ":";
  auto found = sim::FindVolume(machine->config(), static_cast<wchar_t>(request.letter));
  if (!found) throw fakes::ToolError(volume + " is not a volume of this machine");
  const sim::Disk* disk = found->disk;
  if (disk->noMedia) throw fakes::ToolError(volume + " has no media");
  if (found->volume->fileSystem.empty()) throw fakes::ToolError(volume + " has no file system to write boot code to");

  Json::Value record;
  record["volume"] = std::string(1, request.letter);
  record["disk"] = disk->number;
  record["code"] = request.code;
  record["mbr"] = request.mbr;
  {
    fakes::MachineLock lock(*machine);
    fakes::AppendStateLine(*machine, "bootsect.jsonl", record);
  }
  std::cout << volume << " was updated with " << (request.code == "nt52" ? "NTLDR" : "BOOTMGR")
            << " compatible boot code.\n";
  if (request.mbr) std::cout << "The master boot record of disk " << disk->number << " was updated.\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"bootsect", kUsage}, argc, argv, Run); }
