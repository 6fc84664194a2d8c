// Gdisk.exe of the simulated machine: lists a disk's partitions and deletes and creates
// them in the disk's layout (state/disks.json). Disks are numbered from 1: Gdisk's disk G
// is the machine's disk G - 1.

#include <iostream>

#include "fakes/support/fake_tool.h"
#include "listings.h"
#include "partitioning.h"
#include "platform/sim/disk_layouts.h"
#include "platform/sim/sim_platform.h"

namespace {

constexpr char kUsage[] =
    "Usage: Gdisk G                    lists disk G (the machine's disk G - 1)\n"
    "       Gdisk G /lba               lists its partitions by sector\n"
    "       Gdisk G /del /all          deletes every partition\n"
    "       Gdisk G /cre /pri [/end] [/sz:MB] [/q] [/for] [/ntfs] [/v:LABEL] [/Y]\n"
    "                                  creates a primary partition (on TARNVIK_MACHINE)\n";

struct Command {
  unsigned index = 0;  // Gdisk's disk number
  std::string action;  // "list", "lba", "delete", "create"
  gdisk::CreateRequest create;
};

unsigned ReadIndex(const std::string& word) {
  if (word.empty() || word.size() > 4 || word.find_first_not_of("0123456789") != std::string::npos || word == "0") {
    throw fakes::ToolError("'" + word + "' is no disk number: disks are numbered from 1");
  }
  return static_cast<unsigned>(std::stoul(word));
}

Command ReadCommand(const std::vector<std::string>& args) {
  if (args.empty()) throw fakes::ToolError("the disk number is missing");
  Command c{ReadIndex(args[0]), "list", {}};
  std::vector<std::string> options;
  for (size_t i = 1; i < args.size(); ++i) options.push_back(fakes::LowerAscii(args[i]));
  if (options.empty()) return c;
  if (options.size() == 1 && options[0] == "/lba") {
    c.action = "lba";
    return c;
  }
  if (options.size() == 2 && options[0] == "/del" && options[1] == "/all") {
    c.action = "delete";
    return c;
  }
  if (options.size() < 2 || options[0] != "/cre" || options[1] != "/pri") {
    throw fakes::ToolError("unknown command line: give /lba, /del /all or /cre /pri");
  }
  c.action = "create";
  for (size_t i = 2; i < options.size(); ++i) {
    const std::string& o = options[i];
    if (o == "/end") {
      c.create.atEnd = true;
    } else if (o.rfind("/sz:", 0) == 0 && o.size() > 4 && o.size() <= 13 &&
               o.find_first_not_of("0123456789", 4) == std::string::npos) {
      c.create.sizeMiB = std::stoll(o.substr(4));
    } else if (o == "/for") {
      c.create.format = true;
    } else if (o == "/ntfs") {
      c.create.ntfs = true;
    } else if (o.rfind("/v:", 0) == 0) {
      c.create.label = args[i + 1].substr(3);  // as written, not lower-cased
    } else if (o != "/q" && o != "/y") {
      throw fakes::ToolError("'" + args[i + 1] + "' is not an option of /cre");
    }
  }
  return c;
}

const sim::Disk& FindDisk(const sim::SimPlatform& machine, unsigned index) {
  for (const sim::Disk& d : machine.config().disks) {
    if (d.number + 1 == index) return d;
  }
  throw fakes::ToolError("disk " + std::to_string(index) + ": no such disk");
}

int Run(const std::vector<std::string>& args) {
  const Command c = ReadCommand(args);
  auto machine = sim::OpenMachineFromEnvironment();
  const sim::Disk& disk = FindDisk(*machine, c.index);
  const std::string name = "Disk " + std::to_string(c.index) + ":";
  if (c.action == "list") {
    std::cout << gdisk::PlainListing(disk, c.index);
  } else if (c.action == "lba") {
    std::cout << gdisk::SectorListing(disk, c.index);
  } else if (c.action == "delete") {
    if (machine->config().faults.gdiskLockedDisks.count(disk.number) != 0) {
      std::cout << name << " Locked by another program; nothing deleted.\r\n";
      return 1;
    }
    sim::ChangeDiskLayout(*machine, disk.number, [](sim::Disk& d) {
      d.partitions.clear();
      return true;
    });
    std::cout << name << " all partitions deleted.\r\n";
  } else {
    sim::Partition created;
    sim::ChangeDiskLayout(*machine, disk.number, [&](sim::Disk& d) {
      gdisk::CreatePartition(d, c.create);
      sim::RenumberTable(d);
      created = d.partitions.back();
      return true;
    });
    std::cout << name << " partition " << created.number << " created at sector " << created.offsetBytes / 512
              << ", " << gdisk::Mebibytes(created.sizeBytes) << " MB.\r\n";
    if (c.create.format) std::cout << name << " partition " << created.number << " formatted.\r\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"Gdisk", kUsage}, argc, argv, Run); }
