#include "reinstall/reinstall_controller.h"

#include "app/contains_no_case.h"
#include "app/global_param.h"
#include "app/log.h"
#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "catalogue/check_page.h"
#include "platform/platform.h"
#include "reinstall/backup_dir.h"
#include "reinstall/backup_thread.h"
#include "reinstall/choice_page.h"
#include "reinstall/down_os_thread.h"
#include "reinstall/download_page.h"
#include "reinstall/download_thread.h"
#include "reinstall/install_thread.h"
#include "reinstall/pe_presence.h"
#include "reinstall/usb_removal_prompt.h"
#include "stats/fixed_points.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/disk_inventory.h"

ReinstallController::ReinstallController()
    : backupDir(ChooseDefaultBackupDir()), usbMaker(osList, peEntry, UsbHooks()) {}

UsbMakerHooks ReinstallController::UsbHooks() {
  UsbMakerHooks hooks;
  hooks.isPeComponentPresent = [this] { return IsPeComponentPresent(peEntry); };
  hooks.onSelectedDiskGone = KillTools;
  hooks.simulateBoot = SimulateBoot;
  hooks.postPoint = [this](const UsbMakePoint& point) {
    switch (point.kind) {
      case UsbMakePoint::Kind::MakeOnly:
        postPoint(std::make_unique<FixedMakeUsbOnly>());
        return;
      case UsbMakePoint::Kind::MakeWithImages: {
        std::vector<std::string> names;
        for (const std::wstring& name : point.imageNames) names.push_back(WideToLocal(name));
        postPoint(std::make_unique<FixedMakeUsbGho>(std::move(names)));
        return;
      }
      case UsbMakePoint::Kind::MakeStart:
        postPoint(std::make_unique<FixedMakeUsbStart>());
        return;
      case UsbMakePoint::Kind::MakeResult:
        postPoint(std::make_unique<FixedMakeUsbResult>(point.success));
        return;
      case UsbMakePoint::Kind::CopyResult:
        postPoint(std::make_unique<FixedMakeUsbCopyResult>(point.success));
        return;
    }
  };
  return hooks;
}

ReinstallController::~ReinstallController() {
  // The workers read the list and the entries: they go first.
  backupWorker.reset();
  checkWorker.reset();
  downloadWorker.reset();
  installWorker.reset();
  downOsWorker.reset();
  osList.clear();
}

bool ReinstallController::StartSystemCheck() {
  if (checkWorker && checkWorker->IsRunning()) return false;
  if (checkPage == nullptr) return false;
  checkPage->BeginCheck();
  checkWorker.reset();
  checkWorker = std::make_unique<CSysCheckThread>(*checkPage, static_cast<ICheckFindings&>(*this), peEntry, checkTick);
  checkWorker->Start();
  return true;
}

bool ReinstallController::ConfirmChoice(OsEntry* entry) {
  if (entry == nullptr) {
    if (choicePage != nullptr) choicePage->ShowMessage(L"获取不到镜像列表，请检查网络连接，并重启软件");
    return false;
  }
  selectedOs = entry;
  if (platform::Current().network().CheckConnection(LocalToWide(CatalogueUrl()))) {
    return CheckFreeSpace(true) && CheckOsCompatibility();
  }
  if (entry->state == 3 && IsPeComponentPresent(peEntry)) return CheckFreeSpace(true) && CheckOsCompatibility();
  if (choicePage != nullptr) {
    choicePage->ShowMessage(entry->state == 3 ? L"还需要下载PE组件，请检查网络是否正确连接！" : L"请检查网络是否正确连接！");
  }
  return false;
}

bool ReinstallController::LeaveBackupStep(uint32_t items) {
  if (items != 0) {
    std::string digits;
    if (items & kBackupDesktop) digits += '1';
    if (items & kBackupQQ) digits += '2';
    if (items & kBackupFavorites) digits += '3';
    if (items & kBackupDocuments) digits += '4';
    postPoint(std::make_unique<FixedBkpNext>(digits));
    if (!StartBackup(items)) return false;
  }
  return EnterDownloadStep();
}

std::wstring ReinstallController::ProgramRoot() { return CGlobalParam::Instance()->programDir.substr(0, 1) + L":\\"; }

int64_t ReinstallController::ProgramVolumeFreeBytes() {
  const std::wstring root = ProgramRoot();
  std::optional<platform::DiskFreeSpace> space = platform::Current().files().QueryDiskFreeSpace(root);
  if (!space) LogLine(L"cannot read the free space of " + root + L": counted as none");
  return space ? static_cast<int64_t>(space->totalFreeBytes) : 0;
}

bool ReinstallController::CheckFreeSpace(bool includePe) {
  const int64_t free = ProgramVolumeFreeBytes();
  int64_t need = 0;
  if (includePe && !IsPeComponentPresent(peEntry)) need += peEntry.size;
  if (selectedOs != nullptr && selectedOs->state != 3) need += selectedOs->size;
  if (free >= need) return true;
  LogLine(L"not enough free space on " + ProgramRoot() + L": " + std::to_wstring(free) + L" bytes free, " +
          std::to_wstring(need) + L" needed");
  if (choicePage != nullptr) choicePage->ShowDiskSpaceWarning();
  std::lock_guard lock(downloadLock);
  downloadPe = nullptr;
  downloadOs = nullptr;
  return false;
}

bool ReinstallController::CheckOsCompatibility() {
  if (selectedOs == nullptr) return false;
  std::shared_ptr<CGlobalParam> param = CGlobalParam::Instance();
  const std::wstring& machine = param->osName;
  const std::wstring& target = selectedOs->name;
  if (!ContainsNoCase(machine, L"win")) return true;
  if (ContainsNoCase(machine, L"xp")) {
    bool newer = ContainsNoCase(target, L"7") || ContainsNoCase(target, L"8") || ContainsNoCase(target, L"10");
    if (!newer || param->isUefi) return true;
    return choicePage != nullptr && choicePage->AskAhciContinue() == 2;
  }
  if (ContainsNoCase(machine, L"7")) return true;
  if ((ContainsNoCase(machine, L"10") || ContainsNoCase(machine, L"8")) && param->isUefi &&
      ContainsNoCase(target, L"7")) {
    return choicePage != nullptr && choicePage->AskFirmwareUnlocked() == 2;
  }
  return true;
}

bool ReinstallController::ShowImageDownloads(const std::vector<OsEntry*>& list, const std::wstring& /*folder*/) {
  for (OsEntry* entry : list) {
    if (entry->state == 3) RevalidateImage(*entry);
  }
  if (choicePage != nullptr) choicePage->RefreshStates();
  return true;
}

void ReinstallController::StartInstall() {
  VolumeList usbDisks;
  while (ListUsbDisks(usbDisks)) {
    if (usbRemovalPrompt == nullptr || usbRemovalPrompt->AskToRemoveUsbDisks() == 0) {
      LogLine(L"install not started: a USB disk is still attached");
      return;
    }
    usbDisks.clear();
  }
  if (downloadPage != nullptr) {
    downloadPage->StopInstallCountdown();
    downloadPage->EnableInstall(false);
    downloadPage->SetInstallText(L"等待安装...");
  }
  installWorker.reset();
  installWorker = std::make_unique<CInstallThread>(*this, postPoint);
  installWorker->Start();
}

void ReinstallController::OpenDownloadFolder() {
  platform::ShellExecuteRequest request;
  request.verb = L"open";
  request.file = L"Explorer.exe";
  if (selectedOs != nullptr && selectedOs->state == 3) {
    request.parameters = L"/select, " + selectedOs->localPath;
  } else {
    request.parameters = CGlobalParam::Instance()->imageDir;
  }
  request.show = platform::kSwShowDefault;
  if (!platform::Current().processes().ShellExecuteEx(request)) {
    LogLine(L"cannot open the download folder: Explorer.exe " + request.parameters);
  }
}

void ReinstallController::SetAutoInstall(bool on) {
  autoInstall = on;
  postPoint(std::make_unique<FixedDldAuto>(on));
  if (on || downloadPage == nullptr) return;
  std::lock_guard lock(installRuleLock_);
  if (readyToInstall && backupIdle) {
    downloadPage->StopInstallCountdown();
    downloadPage->SetInstallText(L"立即重装");
  }
}

void ReinstallController::UpdateInstallButton(const std::function<void()>& change, bool mayCountDown) {
  std::lock_guard lock(installRuleLock_);
  if (change) change();
  bool enabled = readyToInstall && backupIdle;
  if (downloadPage == nullptr) return;
  downloadPage->EnableInstall(enabled);
  if (mayCountDown && enabled && autoInstall && lastBackupComplete_) downloadPage->StartInstallCountdown();
}

void ReinstallController::BootModeFound(const std::wstring& text) { bootModeText = text; }

void ReinstallController::MachineFound(const std::wstring& text) { machineText = text; }

void ReinstallController::NetworkFound(bool ok) { networkOk = ok; }

void ReinstallController::CatalogueFound(CatalogueResult catalogue) {
  selectedOs = nullptr;  // it pointed into the list replaced now
  osList = std::move(catalogue.osList);
  peEntry = catalogue.peEntry;
}

void ReinstallController::PeEntryReconciled(const PeEntry& pe) { peEntry = pe; }
