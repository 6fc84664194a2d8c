#pragma once
// The reinstall wizard's state, shared by the reinstall pages and workers: so far the
// system check's results, the catalogue and the check worker.

#include <chrono>
#include <memory>
#include <string>

#include "catalogue/check_findings.h"
#include "catalogue/os_list.h"
#include "catalogue/sys_check_thread.h"

class ICheckPage;

class ReinstallController : private ICheckFindings {
 public:
  ReinstallController();
  // Stops the check worker before the list it writes goes.
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
  ICheckPage* checkPage = nullptr;  // set by the pages; not owned
  std::chrono::milliseconds checkTick = CSysCheckThread::kTick;  // tests shorten it

 private:
  // What the check worker finds, stored as it arrives.
  void BootModeFound(const std::wstring& text) override;
  void MachineFound(const std::wstring& text) override;
  void NetworkFound(bool ok) override;
  void CatalogueFound(CatalogueResult catalogue) override;
  void PeEntryReconciled(const PeEntry& pe) override;
};
