// fbinst.exe of the simulated machine: writes the hidden boot area in the sectors before a
// disk's first partition, recorded in the disk's layout (state/disks.json): whether it is
// formatted, the archive written with the format and the files added to it.

#include <algorithm>
#include <iostream>
#include <system_error>

#include "fakes/support/fake_tool.h"
#include "fakes/support/windows_paths.h"
#include "platform/sim/disk_layouts.h"
#include "platform/sim/sim_platform.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "Usage: fbinst (hdN) format [--archive FILE]   formats the boot area of disk N\n"
    "       fbinst (hdN) add NAME FILE             adds FILE to it as NAME\n"
    "  (disk N of the machine TARNVIK_MACHINE; the boot area needs 63 free sectors before\n"
    "  the disk's first partition). Exit status 0, or 1 with a message on stderr.\n";

constexpr int64_t kSector = 512;
constexpr int64_t kBootAreaSectors = 63;

uint32_t ReadDisk(const std::string& word) {
  const std::string digits = word.size() > 4 && word.rfind("(hd", 0) == 0 && word.back() == ')'
                                 ? word.substr(3, word.size() - 4)
                                 : std::string();
  if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos) {
    throw fakes::ToolError("'" + word + "' names no disk: give (hdN)");
  }
  return static_cast<uint32_t>(std::stoul(digits));
}

// The boot area lies before the first partition; a disk without partitions is all free.
void CheckRoom(const sim::Disk& disk) {
  int64_t first = disk.sizeBytes;
  for (const sim::Partition& p : disk.partitions) first = std::min(first, p.offsetBytes);
  if (first / kSector < kBootAreaSectors) {
    throw fakes::ToolError("(hd" + std::to_string(disk.number) + "): only " + std::to_string(first / kSector) +
                           " sectors before the first partition; the boot area needs " +
                           std::to_string(kBootAreaSectors));
  }
}

// The full Windows path of a file the command names, and its size; it must exist.
std::pair<std::string, int64_t> SourceFile(const sim::SimPlatform& machine, const std::string& path) {
  const std::string full = fakes::FullWindowsPath(path);
  std::error_code ec;
  const fs::path host = fakes::HostPathOf(machine, full);
  if (!fs::is_regular_file(host, ec)) throw fakes::ToolError(full + ": no such file");
  return {full, static_cast<int64_t>(fs::file_size(host, ec))};
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) throw fakes::ToolError("the disk, (hdN), is missing");
  const uint32_t number = ReadDisk(fakes::LowerAscii(args[0]));
  const std::string command = args.size() > 1 ? fakes::LowerAscii(args[1]) : "";
  const bool format = command == "format" && (args.size() == 2 || (args.size() == 4 && args[2] == "--archive"));
  const bool add = command == "add" && args.size() == 4;
  if (!format && !add) throw fakes::ToolError("give (hdN) format [--archive FILE] or (hdN) add NAME FILE");

  auto machine = sim::OpenMachineFromEnvironment();
  const auto& disks = machine->config().disks;
  if (std::none_of(disks.begin(), disks.end(), [&](const sim::Disk& d) { return d.number == number; })) {
    throw fakes::ToolError("(hd" + std::to_string(number) + "): no such disk");
  }
  const auto source = args.size() == 4 ? SourceFile(*machine, args[3]) : std::pair<std::string, int64_t>();
  sim::ChangeDiskLayout(*machine, number, [&](sim::Disk& disk) {
    CheckRoom(disk);
    if (format) {
      disk.bootArea = sim::BootArea{true, source.first, {}};
      return true;
    }
    if (!disk.bootArea || !disk.bootArea->formatted) {
      throw fakes::ToolError("(hd" + std::to_string(number) + "): the boot area is not formatted");
    }
    auto& files = disk.bootArea->files;
    std::erase_if(files, [&](const sim::BootAreaFile& f) { return fakes::EqualsNoCase(f.name, args[2]); });
    files.push_back({args[2], source.first, source.second});
    return true;
  });
  if (format) {
    std::cout << "(hd" << number << ") formatted" << (source.first.empty() ? "" : " with " + source.first) << ".\r\n";
  } else {
    std::cout << "(hd" << number << ") " << args[2] << " added, " << source.second << " bytes.\r\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"fbinst", kUsage}, argc, argv, Run); }
