#pragma once
// What the make pipeline's tests put in the tool folder of a machine with a USB stick,
// and how they read back what was started.
//
// The Gdisk.exe here is a script that prints, for each kind of command, the listing the
// test left beside it in the tool folder: lba.txt for "/lba" (lba-after-writer.txt
// instead once the ISO writer has written), del.txt for "/del", list.txt for the plain
// listing, nothing for "/cre". The listings follow the simulated Gdisk's format.

#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace make_fakes {

inline const char kGdiskScript[] =
    "#!/bin/sh\n"
    "case \"$2\" in\n"
    "  /lba) f=lba.txt\n"
    "        [ -f \"$TARNVIK_MACHINE/state/isowriter.jsonl\" ] && [ -f lba-after-writer.txt ] && f=lba-after-writer.txt ;;\n"
    "  /del) f=del.txt ;;\n"
    "  '') f=list.txt ;;\n"
    "  *) exit 0 ;;\n"
    "esac\n"
    "[ -f \"$f\" ] && cat \"$f\"\n"
    "exit 0\n";

// The "/lba" listing of a disk whose first partition starts at `start`.
inline std::string LbaListing(int start) {
  return "Gdisk (simulated) disk 3: 16777216 sectors of 512 bytes, MBR\n"
         "Sectors by partition: start end count type letter\n" +
         std::to_string(start) + " 15000000 14997953 NTFS e:\n";
}
inline const char kLbaWithoutTable[] = "Gdisk (simulated) disk 3: 16777216 sectors of 512 bytes, raw\nNo partition table.\n";

// The plain listing of a disk of `sizeMiB` with a data partition that carries E: and an
// EFI partition that carries F: (a real removable disk shows one; the readers take the
// first row of the kind they want).
inline std::string PlainListing(int sizeMiB) {
  return "Gdisk (simulated) disk 3\n"
         "Model partitions: 2 style: MBR size: " +
         std::to_string(sizeMiB) +
         " MB, SanDisk Cruzer\n"
         " e: 1 NTFS 8100 MB Tarnvik\n"
         " f: 2 efi FAT32 35 MB efi\n";
}

// The program starts of state/processes.jsonl that cmd.exe did not make: cmd.exe with its
// parameters as they were passed, or any other program by its file name; with
// `withFolder`, "(FOLDER) " before each.
inline std::vector<std::string> TopLevelStarts(const std::filesystem::path& machineFolder, bool withFolder = false) {
  std::vector<std::string> starts;
  std::ifstream lines(machineFolder / "state" / "processes.jsonl");
  for (std::string line; std::getline(lines, line);) {
    Json::Value start;
    if (!Json::Reader().parse(line, start) || !start["parent"].isNull()) continue;
    std::string program = start["program"].asString();
    program = program.substr(program.rfind('\\') + 1);
    starts.push_back((withFolder ? "(" + start["directory"].asString() + ") " : std::string()) +
                     (program == "cmd.exe" ? std::string("cmd") : program) + " " + start["commandLine"].asString());
  }
  return starts;
}

}  // namespace make_fakes
