#include "fakes/support/windows_paths.h"

#include <cctype>
#include <cstdlib>

#include "platform/codepage.h"
#include "fakes/support/fake_tool.h"

namespace fakes {
namespace {

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFull(const std::string& path) { return HasDrive(path) && path.size() >= 3 && IsSeparator(path[2]); }

std::string Join(const std::string& folder, const std::string& rest) {
  if (rest.empty()) return folder;
  return IsSeparator(folder.back()) ? folder + rest : folder + "\\" + rest;
}

}  // namespace

std::string WorkingFolder() {
  const char* folder = std::getenv("TARNVIK_DIRECTORY");
  if (folder == nullptr || *folder == '\0') {
    throw ToolError("TARNVIK_DIRECTORY is not set: it names the Windows working folder relative paths start from");
  }
  if (!IsFull(folder)) throw ToolError(std::string("TARNVIK_DIRECTORY '") + folder + "' is not a full Windows path");
  return folder;
}

std::string FullWindowsPath(const std::string& path) {
  if (path.empty()) throw ToolError("an empty path was given");
  if (IsFull(path)) return path;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    throw ToolError("'" + path + "' is a network path: only the machine's drives are reachable");
  }
  if (IsSeparator(path[0])) return WorkingFolder().substr(0, 2) + path;
  if (HasDrive(path)) {
    const char* working = std::getenv("TARNVIK_DIRECTORY");
    bool onWorkingDrive = working != nullptr && IsFull(working) &&
                          std::toupper(static_cast<unsigned char>(working[0])) ==
                              std::toupper(static_cast<unsigned char>(path[0]));
    return onWorkingDrive ? Join(working, path.substr(2)) : path.substr(0, 2) + "\\" + path.substr(2);
  }
  return Join(WorkingFolder(), path);
}

std::filesystem::path HostPathOf(const sim::SimPlatform& machine, const std::string& windowsPath) {
  auto host = machine.MapPath(platform::Utf8ToWide(windowsPath));
  if (!host) throw ToolError("'" + windowsPath + "' is not on a drive of this machine");
  return *host;
}

}  // namespace fakes
