#pragma once
// The reinstall wizard's state, shared by the reinstall pages and workers: so far the
// system check's results, the catalogue, the chosen image and the check and install
// workers.

#include <chrono>
#include <memory>
#include <string>

#include "catalogue/check_findings.h"
#include "catalogue/os_list.h"
#include "catalogue/sys_check_thread.h"
#include "reinstall/install_notices.h"

class CInstallThread;
class ICheckPage;

class ReinstallController : private ICheckFindings {
 public:
  ReinstallController();
  // Stops the workers before the list they read and write goes.
  ~ReinstallController() override;
  ReinstallController(const ReinstallController&) = delete;
  ReinstallController& operator=(const ReinstallController&) = delete;

  // Starts a new system check on `checkPage`. False, doing nothing, while a check runs
  // or before the page is set.
  bool StartSystemCheck();

  std::wstring bootModeText;  // "UEFI", "MBR" or empty
  std::wstring machineText;   // current-OS label, a blank, the edition
  bool networkOk = false;     // the catalogue service was reachable at the last check
  std::unique_ptr<CSysCheckThread> checkWorker;
  OsList osList;
  PeEntry peEntry;
  OsEntry* selectedOs = nullptr;  // the user's choice, an entry of osList; null until then
  std::unique_ptr<CInstallThread> installWorker;
  ICheckPage* checkPage = nullptr;  // set by the pages; not owned
  IInstallFailureNotice* installFailureNotice = nullptr;  // set by the main frame; not owned
  IRestartFailureNotice* restartFailureNotice = nullptr;  // set by the pages; not owned
  std::chrono::milliseconds checkTick = CSysCheckThread::kTick;  // tests shorten it

 private:
  // What the check worker finds, stored as it arrives.
  void BootModeFound(const std::wstring& text) override;
  void MachineFound(const std::wstring& text) override;
  void NetworkFound(bool ok) override;
  void CatalogueFound(CatalogueResult catalogue) override;
  void PeEntryReconciled(const PeEntry& pe) override;
};
