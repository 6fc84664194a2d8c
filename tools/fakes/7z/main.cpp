// 7z.exe of the simulated machine: extracts files of an archive on the machine with
// Debian's 7z.

#include <algorithm>
#include <iostream>

#include "fakes/7z/full_path_extract.h"
#include "fakes/support/fake_tool.h"
#include "fakes/support/host_program.h"
#include "fakes/support/windows_paths.h"

namespace {

// 7-Zip's exit statuses.
constexpr int kFatalError = 2;
constexpr int kCommandLineError = 7;

constexpr char kUsage[] =
    "Usage: 7z e|x ARCHIVE [-oFOLDER] [-y] [-aos] [FILE...]   (on the machine TARNVIK_MACHINE)\n"
    "  e  extracts FILE (a path inside the archive such as WEPE\\WEPE64.WIM; every file when\n"
    "     none is given) from ARCHIVE into FOLDER (the working folder by default) without folders.\n"
    "  x  extracts them with their folders.\n"
    "  -aos skips files that already exist; without it existing files are overwritten.\n"
    "  Exit status: 7z's; 2 when a FILE is not in the archive; 7 for a wrong command line.\n";

struct Request {
  bool withFolders = false;  // x; e drops the archive's folders
  bool skipExisting = false; // -aos
  std::string archive;
  std::string folder;  // empty: the working folder
  std::vector<std::string> files;
};

Request ReadRequest(const std::vector<std::string>& args) {
  if (args.empty() || (!fakes::EqualsNoCase(args[0], "e") && !fakes::EqualsNoCase(args[0], "x"))) {
    throw fakes::ToolError("the command is 'e' (extract without folders) or 'x' (with folders): 7z --help",
                           kCommandLineError);
  }
  Request request;
  request.withFolders = fakes::EqualsNoCase(args[0], "x");
  bool archiveGiven = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("-o", 0) == 0 || arg.rfind("-O", 0) == 0) {
      if (arg.size() == 2) throw fakes::ToolError("-o needs a folder, written right after it", kCommandLineError);
      request.folder = arg.substr(2);
    } else if (fakes::EqualsNoCase(arg, "-y")) {
      // Never asking is what the fake always does.
    } else if (fakes::EqualsNoCase(arg, "-aos")) {
      request.skipExisting = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw fakes::ToolError("'" + arg + "' is not a switch of this 7z (-o, -y, -aos)", kCommandLineError);
    } else if (!archiveGiven) {
      request.archive = arg;
      archiveGiven = true;
    } else {
      request.files.push_back(arg);
    }
  }
  if (!archiveGiven) throw fakes::ToolError("the archive is missing", kCommandLineError);
  return request;
}

// A path inside the archive as Linux 7z writes it: folders separated by slashes.
std::string InsideName(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

int Run(const std::vector<std::string>& args) {
  Request request = ReadRequest(args);
  auto machine = sim::OpenMachineFromEnvironment();
  std::string archive = fakes::HostPathOf(*machine, fakes::FullWindowsPath(request.archive)).string();
  const std::string windowsFolder =
      request.folder.empty() ? fakes::WorkingFolder() : fakes::FullWindowsPath(request.folder);
  std::string sevenZip = fakes::FindHostProgram("7z", "p7zip-full").string();

  // 7z passes over a name that matches nothing: ask for each one first. -ssc-: names match
  // without case, as on Windows.
  for (const std::string& file : request.files) {
    std::string listing;
    int status = fakes::RunHostProgram({sevenZip, "l", "-ba", "-slt", "-ssc-", "--", archive, InsideName(file)}, &listing);
    if (status != 0) return status;
    if (listing.find("Path = ") == std::string::npos) {
      throw fakes::ToolError(file + ": No files to process: " + request.archive + " holds no such file");
    }
  }
  std::vector<std::string> inside;
  for (const std::string& file : request.files) inside.push_back(InsideName(file));
  if (request.withFolders) {
    return fakes::ExtractWithFolders(*machine, sevenZip, archive, inside, windowsFolder, request.skipExisting);
  }
  std::vector<std::string> command{sevenZip, "e", "-y", request.skipExisting ? "-aos" : "-aoa", "-ssc-",
                                   "-o" + fakes::HostPathOf(*machine, windowsFolder).string(), "--", archive};
  command.insert(command.end(), inside.begin(), inside.end());
  return fakes::RunHostProgram(command);
}

}  // namespace

int main(int argc, char** argv) { return fakes::RunFakeTool({"7z", kUsage, kFatalError}, argc, argv, Run); }
