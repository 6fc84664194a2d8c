#include "fakes/isocmd/virtual_drives.h"

#include <cctype>
#include <system_error>

#include "fakes/isocmd/disc_files.h"
#include "fakes/support/fake_tool.h"
#include "fakes/support/machine_state.h"
#include "fakes/support/windows_paths.h"
#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace fakes {
namespace fs = std::filesystem;

namespace {

constexpr char kOwnFile[] = "isocmd.json";
constexpr char kMountsFile[] = "mounts.json";

std::string LetterKey(char letter) { return std::string(1, letter); }

bool IsLetterText(const Json::Value& value) {
  return value.isString() && value.asString().size() == 1 && std::isupper(static_cast<unsigned char>(value.asString()[0]));
}

}  // namespace

VirtualDrives::VirtualDrives(sim::SimPlatform& machine) : machine_(machine) {
  mounts_ = ReadStateJson(machine, kMountsFile).value_or(Json::Value(Json::objectValue));
  if (!mounts_.isObject()) throw ToolError("state/mounts.json must be an object of drives by letter");
  auto own = ReadStateJson(machine, kOwnFile);
  if (!own) return;
  const Json::Value& installed = (*own)["driverInstalled"];
  const Json::Value& letters = (*own)["drives"];
  if (!own->isObject() || !installed.isBool() || !letters.isArray()) {
    throw ToolError("state/isocmd.json must hold driverInstalled (true or false) and drives (letters by drive number)");
  }
  driverInstalled_ = installed.asBool();
  for (const Json::Value& letter : letters) {
    if (!IsLetterText(letter)) throw ToolError("state/isocmd.json: drives must hold upper-case letters");
    VirtualDrive drive;
    drive.letter = letter.asString()[0];
    const Json::Value& mounted = mounts_[LetterKey(drive.letter)];
    if (mounted.isObject() && mounted["image"].isString()) drive.image = mounted["image"].asString();
    drives_.push_back(drive);
  }
}

fs::path VirtualDrives::DriveFolder(char letter) const { return machine_.folder() / "drives" / LetterKey(letter); }

bool VirtualDrives::LetterIsFree(char letter) const {
  if (sim::FindVolume(machine_.config(), static_cast<wchar_t>(letter))) return false;
  std::error_code ec;
  return !mounts_.isMember(LetterKey(letter)) && !fs::exists(DriveFolder(letter), ec);
}

void VirtualDrives::SetCount(size_t count) {
  while (drives_.size() > count) {
    Eject(drives_.back());
    mounts_.removeMember(LetterKey(drives_.back().letter));
    drives_.pop_back();
  }
  while (drives_.size() < count) {
    char letter = 'D';
    while (letter <= 'Z' && !LetterIsFree(letter)) ++letter;
    if (letter > 'Z') throw ToolError("no drive letter is free for virtual drive " + std::to_string(drives_.size()));
    drives_.push_back({letter, ""});
    mounts_[LetterKey(letter)]["type"] = "cdrom";
    mounts_[LetterKey(letter)]["image"] = "";
  }
}

VirtualDrive& VirtualDrives::Drive(size_t number) {
  if (!driverInstalled_) throw ToolError("the virtual drive driver is not installed (IsoCmd -i installs it)");
  if (number >= drives_.size()) {
    throw ToolError("there is no virtual drive " + std::to_string(number) + ": the machine has " +
                    std::to_string(drives_.size()) + " (IsoCmd -number N sets how many)");
  }
  return drives_[number];
}

void VirtualDrives::Eject(VirtualDrive& drive) {
  std::error_code ec;
  fs::remove_all(DriveFolder(drive.letter), ec);
  if (ec) throw ToolError("cannot remove the disc's files in " + DriveFolder(drive.letter).string() + ": " + ec.message());
  drive.image.clear();
}

void VirtualDrives::Mount(VirtualDrive& drive, const std::string& image) {
  // Empty first, and known to be, so that a failure below leaves an empty drive.
  Eject(drive);
  Save();
  fs::path host = HostPathOf(machine_, image);
  if (!machine_.files().FileExists(platform::Utf8ToWide(image))) {
    throw ToolError("cannot mount " + image + ": there is no such file");
  }
  ExtractDisc(host, machine_.StateFile("isocmd-disc-" + LetterKey(drive.letter)), DriveFolder(drive.letter));
  drive.image = image;
}

void VirtualDrives::Save() {
  Json::Value own(Json::objectValue);
  own["driverInstalled"] = driverInstalled_;
  own["drives"] = Json::Value(Json::arrayValue);
  for (const VirtualDrive& drive : drives_) {
    own["drives"].append(LetterKey(drive.letter));
    mounts_[LetterKey(drive.letter)]["type"] = "cdrom";
    mounts_[LetterKey(drive.letter)]["image"] = drive.image;
  }
  WriteStateJson(machine_, kOwnFile, own);
  WriteStateJson(machine_, kMountsFile, mounts_);
}

}  // namespace fakes
