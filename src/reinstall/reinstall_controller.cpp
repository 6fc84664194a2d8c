#include "reinstall/reinstall_controller.h"

#include "catalogue/check_page.h"
#include "catalogue/sys_check_thread.h"

ReinstallController::ReinstallController() = default;

ReinstallController::~ReinstallController() {
  checkWorker.reset();
  osList.clear();
}

bool ReinstallController::StartSystemCheck() {
  if (checkWorker && checkWorker->IsRunning()) return false;
  if (checkPage == nullptr) return false;
  checkPage->BeginCheck();
  checkWorker.reset();
  checkWorker = std::make_unique<CSysCheckThread>(*this);
  checkWorker->Start();
  return true;
}
