#include "reinstall/reinstall_controller.h"

#include "catalogue/check_page.h"
#include "reinstall/install_thread.h"

ReinstallController::ReinstallController() = default;

ReinstallController::~ReinstallController() {
  checkWorker.reset();
  installWorker.reset();
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

void ReinstallController::BootModeFound(const std::wstring& text) { bootModeText = text; }

void ReinstallController::MachineFound(const std::wstring& text) { machineText = text; }

void ReinstallController::NetworkFound(bool ok) { networkOk = ok; }

void ReinstallController::CatalogueFound(CatalogueResult catalogue) {
  selectedOs = nullptr;  // it pointed into the list replaced now
  osList = std::move(catalogue.osList);
  peEntry = catalogue.peEntry;
}

void ReinstallController::PeEntryReconciled(const PeEntry& pe) { peEntry = pe; }
