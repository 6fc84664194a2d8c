// chkdsk.exe, label.exe and convert.exe of the simulated machine: one program that does
// what its file name says, on the volumes of the machine's disk layouts.
//   chkdsk X: [/f] [/y]        reports on the volume, changes nothing
//   label X: NAME              gives the volume its label
//   convert X: /fs:ntfs [/x]   makes a FAT or FAT32 volume NTFS, its files kept

#include <cctype>
#include <cwctype>
#include <filesystem>
#include <functional>
#include <iostream>

#include "fakes/support/fake_tool.h"
#include "platform/codepage.h"
#include "platform/sim/disk_layouts.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_services.h"

namespace {

constexpr char kUsage[] =
    "Usage: chkdsk X: [/f] [/y]        checks volume X: (reports, changes nothing)\n"
    "       label X: NAME              sets the label of volume X:\n"
    "       convert X: /fs:ntfs [/x]   converts a FAT or FAT32 volume X: to NTFS\n"
    "  on the machine TARNVIK_MACHINE, run under one of these names.\n";

constexpr const char* kEnd = "\r\n";

wchar_t ReadLetter(const std::vector<std::string>& args) {
  if (args.empty() || args[0].size() != 2 || args[0][1] != ':' || !std::isalpha(static_cast<unsigned char>(args[0][0]))) {
    throw fakes::ToolError("the volume, such as E:, is missing");
  }
  return static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(args[0][0])));
}

// The volume of a letter; `failureCode` is the tool's status for a drive it cannot work
// on (chkdsk's 3, "could not check").
const sim::Partition& FindLetteredVolume(const sim::SimPlatform& machine, wchar_t letter, int failureCode) {
  auto found = sim::FindVolume(machine.config(), letter);
  if (!found || found->disk->noMedia) throw fakes::ToolError("The system cannot find the drive specified.", failureCode);
  return *found->volume;
}

// Changes the lettered volume's partition in its disk's layout.
void ChangeVolume(const sim::SimPlatform& machine, wchar_t letter, const std::function<void(sim::Partition&)>& change) {
  auto found = sim::FindVolume(machine.config(), letter);
  sim::ChangeDiskLayout(machine, found->disk->number, [&](sim::Disk& disk) {
    for (sim::Partition& p : disk.partitions) {
      if (p.letter == letter) change(p);
    }
    return true;
  });
}

std::string Kilobytes(int64_t bytes) { return std::to_string(bytes / 1024) + " KB"; }

int Chkdsk(const sim::SimPlatform& machine, const std::vector<std::string>& args) {
  const wchar_t letter = ReadLetter(args);
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string o = fakes::LowerAscii(args[i]);
    if (o != "/f" && o != "/y") throw fakes::ToolError("'" + args[i] + "' is not an option of this chkdsk: /f, /y");
  }
  const sim::Partition& v = FindLetteredVolume(machine, letter, 3);
  const std::string fileSystem = platform::WideToUtf8(v.fileSystem);
  if (fileSystem.empty()) {
    throw fakes::ToolError("The type of the file system is RAW.\r\nCHKDSK is not available for RAW drives.", 3);
  }
  std::cout << "The type of the file system is " << fileSystem << "." << kEnd;
  if (!v.label.empty()) std::cout << "Volume label is " << platform::WideToUtf8(v.label) << "." << kEnd;
  std::cout << kEnd << "Stage 1: Examining basic file system structure ..." << kEnd
            << "Stage 2: Examining file name linkage ..." << kEnd
            << "Stage 3: Examining security descriptors ..." << kEnd << kEnd
            << "Windows has scanned the file system and found no problems." << kEnd
            << "No further action is required." << kEnd << kEnd
            << "  " << Kilobytes(v.sizeBytes) << " total disk space." << kEnd
            << "  " << Kilobytes(v.freeBytes) << " available on disk." << kEnd;
  return 0;
}

int Label(const sim::SimPlatform& machine, const std::vector<std::string>& args) {
  const wchar_t letter = ReadLetter(args);
  if (args.size() < 2) throw fakes::ToolError("give the new label: label X: NAME");
  std::string name = args[1];
  for (size_t i = 2; i < args.size(); ++i) name += " " + args[i];
  const sim::Partition& v = FindLetteredVolume(machine, letter, 1);
  if (v.fileSystem.empty()) throw fakes::ToolError("The volume does not contain a recognized file system.");
  const bool fat = v.fileSystem != L"NTFS";
  if (name.size() > (fat ? 11u : 32u)) throw fakes::ToolError("The volume label is too long.");
  std::wstring label = platform::Utf8ToWide(name);
  if (fat) {
    for (wchar_t& c : label) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));  // as FAT keeps it
  }
  ChangeVolume(machine, letter, [&](sim::Partition& p) { p.label = label; });
  return 0;
}

int Convert(const sim::SimPlatform& machine, const std::vector<std::string>& args) {
  const wchar_t letter = ReadLetter(args);
  bool ntfs = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string o = fakes::LowerAscii(args[i]);
    if (o == "/fs:ntfs") {
      ntfs = true;
    } else if (o != "/x") {
      throw fakes::ToolError("'" + args[i] + "' is not an option of this convert: /fs:ntfs, /x");
    }
  }
  if (!ntfs) throw fakes::ToolError("The file system to convert to, /fs:ntfs, is missing.");
  const sim::Partition& v = FindLetteredVolume(machine, letter, 1);
  const std::string drive = std::string(1, static_cast<char>(letter)) + ":";
  if (v.fileSystem == L"NTFS") throw fakes::ToolError("Drive " + drive + " is already NTFS.");
  if (v.fileSystem != L"FAT" && v.fileSystem != L"FAT32") {
    throw fakes::ToolError("CONVERT is not available for " + (v.fileSystem.empty() ? "RAW" : platform::WideToUtf8(v.fileSystem)) +
                           " drives.");
  }
  std::cout << "The type of the file system is " << platform::WideToUtf8(v.fileSystem) << "." << kEnd
            << "Windows is verifying files and folders..." << kEnd
            << "File and folder verification is complete." << kEnd
            << "Windows has scanned the file system and found no problems." << kEnd
            << "Determining disk space required for file system conversion..." << kEnd
            << "Total disk space:          " << Kilobytes(v.sizeBytes) << kEnd
            << "Free space on volume:      " << Kilobytes(v.freeBytes) << kEnd
            << "Converting file system" << kEnd;
  ChangeVolume(machine, letter, [](sim::Partition& p) { p.fileSystem = L"NTFS"; });
  std::cout << "Conversion complete" << kEnd;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The tool's name is its file's, without extension and case: chkdsk.exe is chkdsk.
  const std::string tool = fakes::LowerAscii(std::filesystem::path(argv[0]).stem().string());
  return fakes::RunFakeTool({tool, kUsage}, argc, argv, [&](const std::vector<std::string>& args) {
    auto machine = sim::OpenMachineFromEnvironment();
    if (tool == "chkdsk") return Chkdsk(*machine, args);
    if (tool == "label") return Label(*machine, args);
    if (tool == "convert") return Convert(*machine, args);
    throw fakes::ToolError("run me as chkdsk.exe, label.exe or convert.exe");
  });
}
