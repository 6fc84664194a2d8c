#include "reinstall/install_countdown.h"

#include "app/text_helpers.h"
#include "reinstall/download_page.h"
#include "reinstall/reinstall_controller.h"

void InstallCountdown::Tick(ReinstallController& controller) {
  if (remaining_ <= 0) return;
  --remaining_;
  controller.downloadPage->SetInstallText(L"立即重装(" + IntToWideString(remaining_) + L")");
  if (remaining_ > 0) return;
  controller.downloadPage->StopInstallCountdown();
  controller.StartInstall();
}
