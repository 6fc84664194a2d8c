#include "fakes/7z/full_path_extract.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "fakes/support/fake_tool.h"
#include "fakes/support/host_program.h"
#include "fakes/support/windows_paths.h"

namespace fakes {
namespace fs = std::filesystem;
namespace {

// A folder of the machine's own where 7z unpacks first, on the same file system as the
// drives so that files move out of it by renaming; removed with the object.
class StagingFolder {
 public:
  explicit StagingFolder(const sim::SimPlatform& machine)
      : path_(machine.folder() / (".7z-x-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~StagingFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string WindowsJoin(const std::string& folder, const fs::path& relative) {
  std::string path = folder;
  for (const fs::path& part : relative) {
    if (path.back() != '\\') path += '\\';
    path += part.string();
  }
  return path;
}

}  // namespace

int ExtractWithFolders(const sim::SimPlatform& machine, const std::string& sevenZip, const std::string& archive,
                       const std::vector<std::string>& files, const std::string& windowsFolder, bool skipExisting) {
  const fs::path target = HostPathOf(machine, windowsFolder);
  StagingFolder staging(machine);
  std::vector<std::string> command{sevenZip, "x", "-y", "-ssc-", "-o" + staging.path().string(), "--", archive};
  command.insert(command.end(), files.begin(), files.end());
  int status = RunHostProgram(command);
  if (status != 0) return status;

  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec) throw ToolError("cannot make " + windowsFolder + ": " + ec.message(), 2);
  // A folder comes before what it holds, so each path resolves into folders already made.
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(staging.path())) {
    const std::string windowsPath = WindowsJoin(windowsFolder, entry.path().lexically_relative(staging.path()));
    const fs::path host = HostPathOf(machine, windowsPath);
    if (entry.is_directory()) {
      fs::create_directories(host, ec);
    } else if (!(skipExisting && fs::exists(host))) {
      fs::rename(entry.path(), host, ec);
    }
    if (ec) throw ToolError("cannot write " + windowsPath + ": " + ec.message(), 2);
  }
  return 0;
}

}  // namespace fakes
