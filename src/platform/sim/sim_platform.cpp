#include "platform/sim/sim_platform.h"

#include <dirent.h>
#include <sys/stat.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/codepage.h"
#include "platform/sim/disk_layouts.h"
#include "platform/sim/drive_letters.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/state_files.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

// The disks state/detached.json lists leave the machine.
MachineConfig WithoutDetachedDisks(MachineConfig config, const fs::path& stateFile) {
  Json::Value detached = ReadStateObject(stateFile)["disks"];
  if (!detached.isArray()) return config;
  for (const Json::Value& number : detached) {
    if (!number.isUInt()) continue;
    std::erase_if(config.disks, [&](const Disk& d) { return d.number == number.asUInt(); });
  }
  return config;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The entry of `folder` whose name equals `part` without case, as Windows matches names.
// Copying a folder of many files asks this for every new name: the folder is read with
// readdir, and ASCII names, the usual ones, are compared as bytes.
std::optional<std::string> FindWithoutCase(const fs::path& folder, const std::wstring& part) {
  const std::string narrow = platform::WideToUtf8(part);
  const bool asciiPart = IsAscii(narrow);
  const std::wstring folded = FoldCase(part);
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
  if (!listing) return std::nullopt;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (asciiPart && IsAscii(name)) {
      if (name.size() == narrow.size() && strcasecmp(entry->d_name, narrow.c_str()) == 0) return std::string(name);
    } else if (FoldCase(platform::Utf8ToWide(name)) == folded) {
      return std::string(name);
    }
  }
  return std::nullopt;
}

}  // namespace

// Absolute, because the programs the machine starts run in folders of their own and find
// their files and the machine from there.
SimPlatform::SimPlatform(fs::path folder)
    // Absolute, because the programs the machine starts run in folders of their own.
    : folder_(fs::absolute(folder)),
      disksFile_(folder_ / "state" / "disks.json"),
      detachedFile_(folder_ / "state" / "detached.json"),
      description_(LoadMachineConfig(folder_ / "machine.json")) {
  // Every lettered volume has its folder, so that its root exists as on Windows.
  for (const Disk& d : config().disks) {
    for (const Partition& p : d.partitions) {
      if (p.letter != 0) fs::create_directories(folder_ / "drives" / std::string(1, static_cast<char>(p.letter)));
    }
  }
  files_ = std::make_unique<SimFiles>(*this);
  profiles_ = std::make_unique<SimProfiles>(*this);
  storage_ = std::make_unique<SimStorage>(*this);
  registry_ = std::make_unique<SimRegistry>(*this);
  network_ = std::make_unique<SimNetwork>(*this);
  system_ = std::make_unique<SimSystem>(*this);
  console_ = std::make_unique<SimConsole>(*this);
  modules_ = std::make_unique<SimModules>(*this);
  messageBoxes_ = std::make_unique<SimMessageBoxes>(*this);
  processes_ = std::make_unique<SimProcesses>(*this);
  power_ = std::make_unique<SimPower>(*this);
  windows_ = std::make_unique<SimWindows>();
}

// The window applications still running end with their windows, so that the runs the
// processes wait for end before the machine goes.
SimPlatform::~SimPlatform() {
  windows_->CloseAll();
  processes_.reset();
}

std::optional<fs::path> SimPlatform::MapPath(const std::wstring& windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != L':' || !std::iswalpha(static_cast<wint_t>(windowsPath[0])) ||
      windowsPath[0] > 0x7F) {
    return std::nullopt;
  }
  if (windowsPath.size() > 2 && windowsPath[2] != L'\\' && windowsPath[2] != L'/') return std::nullopt;
  auto found = FindDrive(*this, windowsPath[0]);
  std::error_code ec;
  if (!found || !found->folder || !fs::is_directory(*found->folder, ec)) return std::nullopt;
  const fs::path& drive = *found->folder;

  // Split into components and resolve "." and ".." as Windows does, never above the root.
  std::vector<std::wstring> parts;
  std::wstring current;
  auto flush = [&]() -> bool {
    if (current.empty() || current == L".") {
    } else if (current == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (current.find_first_of(L":*?\"<>|") != std::wstring::npos) {
      return false;
    } else {
      parts.push_back(current);
    }
    current.clear();
    return true;
  };
  for (size_t i = 2; i < windowsPath.size(); ++i) {
    wchar_t c = windowsPath[i];
    if (c == L'\\' || c == L'/') {
      if (!flush()) return std::nullopt;
    } else {
      current.push_back(c);
    }
  }
  if (!flush()) return std::nullopt;

  // Match each component without case; the first one that matches nothing is taken as
  // written, and so is everything after it.
  fs::path host = drive;
  bool matching = true;
  for (const std::wstring& part : parts) {
    std::string name = platform::WideToUtf8(part);
    if (matching && !fs::exists(host / name, ec)) {
      std::optional<std::string> found = FindWithoutCase(host, part);
      matching = found.has_value();
      if (found) name = *found;
    }
    host /= name;
  }
  return host;
}

std::array<SimPlatform::Stamp, 2> SimPlatform::StateStamps() const {
  std::array<Stamp, 2> stamps{};
  for (size_t i = 0; i < stamps.size(); ++i) {
    struct stat s {};
    if (::stat((i == 0 ? disksFile_ : detachedFile_).c_str(), &s) != 0) continue;
    stamps[i] = {static_cast<int64_t>(s.st_dev), static_cast<int64_t>(s.st_ino), static_cast<int64_t>(s.st_size),
                 static_cast<int64_t>(s.st_ctim.tv_sec), static_cast<int64_t>(s.st_ctim.tv_nsec)};
  }
  return stamps;
}

// Two stat calls when nothing changed: every path look-up asks for the config.
const MachineConfig& SimPlatform::config() const {
  std::lock_guard guard(configLock_);
  const std::array<Stamp, 2> now = StateStamps();
  if (stale_ || now != stamps_) {
    // Stamped before reading: a change made meanwhile is read again next time.
    stamps_ = now;
    stale_ = false;
    configs_.push_back(std::make_unique<const MachineConfig>(
        WithoutDetachedDisks(WithDiskLayouts(description_, disksFile_), detachedFile_)));
  }
  return *configs_.back();
}

void SimPlatform::NoticeStateChange() const {
  std::lock_guard guard(configLock_);
  stale_ = true;
}

bool SimPlatform::DetachDisk(uint32_t number) {
  const MachineConfig& now = config();
  if (std::none_of(now.disks.begin(), now.disks.end(), [&](const Disk& d) { return d.number == number; })) return false;
  bool written = UpdateStateObject(StateFile("detached.json"), [&](Json::Value& state) {
    state["disks"].append(number);
    return true;
  });
  NoticeStateChange();
  return written;
}

fs::path SimPlatform::StateFile(const std::string& name) const {
  fs::create_directories(folder_ / "state");
  return folder_ / "state" / name;
}

platform::Files& SimPlatform::files() { return *files_; }
platform::Profiles& SimPlatform::profiles() { return *profiles_; }
platform::Storage& SimPlatform::storage() { return *storage_; }
platform::Registry& SimPlatform::registry() { return *registry_; }
platform::Network& SimPlatform::network() { return *network_; }
platform::System& SimPlatform::system() { return *system_; }
platform::Console& SimPlatform::console() { return *console_; }
platform::Modules& SimPlatform::modules() { return *modules_; }
platform::MessageBoxes& SimPlatform::messageBoxes() { return *messageBoxes_; }
platform::Processes& SimPlatform::processes() { return *processes_; }
platform::Power& SimPlatform::power() { return *power_; }
platform::Windows& SimPlatform::windows() { return *windows_; }

std::unique_ptr<SimPlatform> OpenMachineFromEnvironment() {
  const char* folder = std::getenv("TARNVIK_MACHINE");
  if (folder == nullptr || *folder == '\0') {
    throw MachineError("TARNVIK_MACHINE is not set: it names the folder of the simulated machine to run on");
  }
  return std::make_unique<SimPlatform>(folder);
}

}  // namespace sim
