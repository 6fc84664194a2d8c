#include "platform/sim/iso_image_build.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/sim/program_start.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/windows_paths.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

// xorriso on the host's PATH, or nothing.
std::optional<fs::path> FindXorriso() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    fs::path candidate = fs::path(folder.empty() ? "." : folder) / "xorriso";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// Whether the file holds an ISO 9660 volume: the primary volume descriptor's "CD001" at
// sector 16. xorriso would take any other file as an empty medium and write a new image
// over it.
bool IsIsoImage(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char magic[5] = {};
  in.seekg(16 * 2048 + 1);
  return in.read(magic, sizeof magic) && std::string(magic, sizeof magic) == "CD001";
}

// Runs xorriso with `arguments`; its exit status, with what it wrote to standard output
// and error in `report`.
int RunXorriso(const SimPlatform& machine, const fs::path& xorriso, const std::vector<std::string>& arguments,
               std::string& report) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    report = "cannot make a pipe for xorriso";
    return -1;
  }
  ProgramTarget program;
  program.kind = ProgramTarget::Kind::Linux;
  program.hostPath = xorriso;
  std::vector<std::wstring> wide;
  for (const std::string& argument : arguments) wide.push_back(platform::Utf8ToWide(argument));
  Spawned spawned = SpawnProgram(machine, program, wide, L"C:\\", "/", {pipeFds[1], pipeFds[1]});
  ::close(pipeFds[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) report.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipeFds[0]);
  if (spawned.pid < 0) {
    report = spawned.error;
    return -1;
  }
  return WaitForProgram(spawned.pid);
}

}  // namespace

std::string AddFilesToIsoImage(const SimPlatform& machine, const std::wstring& folder, const std::wstring& image,
                               const std::wstring& files) {
  const std::wstring fullImage = FullPath(folder, image);
  auto imageHost = machine.MapPath(fullImage);
  std::error_code ec;
  if (!imageHost || !fs::is_regular_file(*imageHost, ec)) {
    return platform::WideToUtf8(fullImage) + ": no such image";
  }
  if (!IsIsoImage(*imageHost)) return platform::WideToUtf8(fullImage) + ": not an ISO image";
  const size_t slash = files.find_last_of(L"\\/");
  const std::wstring sourceFolder = FullPath(folder, slash == std::wstring::npos ? L"." : files.substr(0, slash));
  const std::string pattern = platform::WideToUtf8(slash == std::wstring::npos ? files : files.substr(slash + 1));
  auto sourceHost = machine.MapPath(sourceFolder);
  if (!sourceHost || !fs::is_directory(*sourceHost, ec)) {
    return platform::WideToUtf8(sourceFolder) + ": no such folder";
  }
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(*sourceHost, ec)) {
    std::string name = entry.path().filename().string();
    if (::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
  }
  if (names.empty()) return platform::WideToUtf8(files) + ": no files match";
  std::sort(names.begin(), names.end());

  auto xorriso = FindXorriso();
  if (!xorriso) return "xorriso is not found on PATH: install Debian's package xorriso";
  // The new image is written beside the old one and replaces it once complete.
  fs::path built = *imageHost;
  built += ".building";
  fs::remove(built, ec);
  std::vector<std::string> arguments{"-report_about", "SORRY", "-indev", "stdio:" + imageHost->string(),
                                     "-outdev", "stdio:" + built.string(), "-boot_image", "any", "keep",
                                     "-joliet", "on"};
  for (const std::string& name : names) {
    arguments.insert(arguments.end(), {"-map", (*sourceHost / name).string(), "/" + name});
  }
  arguments.push_back("-commit");
  std::string report;
  const int status = RunXorriso(machine, *xorriso, arguments, report);
  if (status == 0) fs::rename(built, *imageHost, ec);
  if (status != 0 || ec) {
    fs::remove(built, ec);
    while (!report.empty() && (report.back() == '\n' || report.back() == '\r')) report.pop_back();
    return "xorriso could not add " + platform::WideToUtf8(files) + " to " + platform::WideToUtf8(fullImage) +
           " (exit " + std::to_string(status) + "): " + report;
  }
  return "";
}

}  // namespace sim
