#include "usbmaker/program_copy.h"

#include "app/global_param.h"
#include "app/product.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"

const VolumeInfo* ChooseProgramCopyVolume(const VolumeList& volumes) {
  platform::Files& files = platform::Current().files();
  const VolumeInfo* chosen = nullptr;
  for (const auto& volume : volumes) {
    if (volume->isSystem) continue;
    if (files.DirectoryExists(volume->root + kProgramCopyFolder)) return volume.get();
    if (chosen == nullptr || volume->freeBytes > chosen->freeBytes) chosen = volume.get();
  }
  return chosen;
}

bool ProgramCopy::StartProgramCopy(IMessageTarget* window) {
  const std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  if (!params->onUsbOrSystemDrive) return false;
  VolumeList volumes;
  ListNonUsbVolumes(volumes);
  if (volumes.size() < 2) return false;
  const VolumeInfo* chosen = ChooseProgramCopyVolume(volumes);
  if (chosen == nullptr) return false;

  copyThread_.reset();
  destination_ = chosen->root + kProgramCopyFolder;
  copyThread_ = std::make_unique<CCopyThread>(params->programDir, destination_, window);
  copyThread_->Start();
  programToStart_ = destination_ + kProgramFileName;
  return true;
}

void ProgramCopy::StopCopy() { copyThread_.reset(); }
