// IsoCmd.exe of the simulated machine: virtual CD drives that hold ISO images.

#include <iostream>

#include "fakes/isocmd/virtual_drives.h"
#include "fakes/support/fake_tool.h"
#include "fakes/support/machine_state.h"
#include "fakes/support/windows_paths.h"

namespace {

constexpr size_t kMostDrives = 23;  // D: to Z:

constexpr char kUsage[] =
    "Usage: IsoCmd OPTION   (the virtual CD drives of the machine TARNVIK_MACHINE)\n"
    "  -number N           makes N virtual drives (0 to 23), each with a letter from D: on\n"
    "  -i                  installs the virtual drive driver\n"
    "  -eject N:           takes the disc out of drive N\n"
    "  -mount N: PATH      puts the ISO image PATH into drive N\n"
    "  -v                  prints the drive report: a line \"IsoCmd virtual drives: COUNT\n"
    "                      driver=installed|absent\", then a line \"VirtualDriveN=X: [IMAGE]\" a drive\n"
    "Exit status 0 on success, 1 with a message on stderr otherwise.\n";

// "N:", a drive number.
size_t DriveNumber(const std::string& text) {
  if (text.size() < 2 || text.size() > 3 || text.back() != ':' ||
      text.find_first_not_of("0123456789") != text.size() - 1) {
    throw fakes::ToolError("'" + text + "' is not a drive number such as 0:");
  }
  return std::stoul(text);
}

size_t DriveCount(const std::string& text) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::stoul(text) > kMostDrives) {
    throw fakes::ToolError("-number takes a count of drives from 0 to " + std::to_string(kMostDrives) + ", not '" +
                           text + "'");
  }
  return std::stoul(text);
}

void ExpectArguments(const std::vector<std::string>& args, size_t count, const std::string& form) {
  if (args.size() != count) throw fakes::ToolError(args[0] + " takes " + form);
}

void PrintReport(const fakes::VirtualDrives& drives) {
  // The first five words end before the first drive's line, so that the sixth word is
  // "VirtualDrive0=X:" with the letter at index 14.
  std::cout << "IsoCmd virtual drives: " << drives.drives().size()
            << (drives.driverInstalled() ? " driver=installed" : " driver=absent") << "\r\n";
  for (size_t i = 0; i < drives.drives().size(); ++i) {
    const fakes::VirtualDrive& drive = drives.drives()[i];
    std::cout << "VirtualDrive" << i << "=" << drive.letter << ":" << (drive.image.empty() ? "" : " " + drive.image)
              << "\r\n";
  }
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) throw fakes::ToolError("no option given (IsoCmd --help lists them)");
  std::string option = fakes::LowerAscii(args[0]);
  if (option != "-number" && option != "-i" && option != "-eject" && option != "-mount" && option != "-v") {
    throw fakes::ToolError("'" + args[0] + "' is not an option of IsoCmd (IsoCmd --help lists them)");
  }
  auto machine = sim::OpenMachineFromEnvironment();
  fakes::MachineLock lock(*machine);
  fakes::VirtualDrives drives(*machine);
  if (option == "-v") {
    ExpectArguments(args, 1, "no arguments");
    PrintReport(drives);
    return 0;
  }
  if (option == "-number") {
    ExpectArguments(args, 2, "a count of drives");
    drives.SetCount(DriveCount(args[1]));
    std::cout << "The machine has " << drives.drives().size() << " virtual drive(s).\n";
  } else if (option == "-i") {
    ExpectArguments(args, 1, "no arguments");
    drives.InstallDriver();
    std::cout << "The virtual drive driver is installed.\n";
  } else if (option == "-eject") {
    ExpectArguments(args, 2, "a drive number such as 0:");
    fakes::VirtualDrive& drive = drives.Drive(DriveNumber(args[1]));
    drives.Eject(drive);
    std::cout << "Drive " << drive.letter << ": is empty.\n";
  } else {
    ExpectArguments(args, 3, "a drive number such as 0: and the path of an ISO image");
    fakes::VirtualDrive& drive = drives.Drive(DriveNumber(args[1]));
    drives.Mount(drive, fakes::FullWindowsPath(args[2]));
    std::cout << "Drive " << drive.letter << ": holds " << drive.image << ".\n";
  }
  drives.Save();
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"IsoCmd", kUsage}, argc, argv, Run); }
