#include "reinstall/install_core.h"

#include <optional>

#include "app/log.h"
#include "app/system_drive.h"
#include "platform/platform.h"
#include "reinstall/boot_store_entries.h"
#include "reinstall/image_preparation.h"
#include "reinstall/pe_handoff.h"
#include "usbmaker/disk_inventory.h"

namespace {

bool IsWindowsXp() {
  std::optional<platform::OsVersion> version = platform::Current().system().GetVersion();
  return version && version->major == 5 && version->minor == 1;
}

}  // namespace

InstallOutcome InstallCore(wchar_t handoffDrive, const std::wstring& imagePath) {
  InstallOutcome outcome;
  const wchar_t s = SystemDirectoryDrive();
  const bool xp = IsWindowsXp();
  PartitionLocation location;
  if (!GetPartitionLocation(s, location)) {
    outcome.failedStep = InstallStep::PartitionQuery;
    return outcome;
  }
  if (!PrepareImage(imagePath, outcome.preparedImage)) {
    LogText("GetGHOSTFILE error\r\n");
    outcome.failedStep = InstallStep::ImagePreparation;
    return outcome;
  }
  WriteSupportEntry(s, xp);
  // A GPT system disk boots through UEFI, where the boot store is used whatever Windows runs.
  const bool legacy = !location.isGpt && xp;
  if (!PreparePeBootFiles(s, legacy)) {
    outcome.failedStep = InstallStep::PeBootFiles;
    return outcome;
  }
  WritePeBootEntry(s, location.isGpt, legacy);
  if (!WriteGhostHandoff(handoffDrive, outcome.preparedImage)) outcome.failedStep = InstallStep::GhostHandoff;
  return outcome;
}
