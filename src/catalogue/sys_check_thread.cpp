#include "catalogue/sys_check_thread.h"

#include <algorithm>
#include <chrono>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "catalogue/check_page.h"
#include "catalogue/contains_no_case.h"
#include "catalogue/image_scan.h"
#include "catalogue/memory_query.h"
#include "catalogue/os_labels.h"
#include "catalogue/pe_descriptor.h"
#include "catalogue/windows_version.h"
#include "platform/platform.h"
#include "reinstall/reinstall_controller.h"
#include "usbmaker/disk_inventory.h"
#include "usbmaker/system_drive.h"

using namespace std::chrono_literals;

CSysCheckThread::CSysCheckThread(ReinstallController& controller) : controller_(controller) {}

CSysCheckThread::~CSysCheckThread() {
  RequestStop();
  StopThread(200ms);
}

bool CSysCheckThread::TickWhileAtMost(int limit) {
  while (progress_ <= limit) {
    if (StopRequested() || !SleepOrStop(20ms)) return false;
    ++progress_;
    controller_.checkPage->SetProgress(std::clamp(progress_, 0, 100));
  }
  return true;
}

void CSysCheckThread::CheckBootMode() {
  PartitionLocation location;
  std::wstring bootMode;
  if (GetPartitionLocation(SystemDirectoryDrive(), location)) bootMode = location.isGpt ? L"UEFI" : L"MBR";
  auto params = CGlobalParam::Instance();
  controller_.bootModeText = bootMode;
  params->bootMode = bootMode;
  params->isUefi = ContainsNoCase(bootMode, L"UEFI");
  if (bootMode.empty()) {
    controller_.checkPage->HardwareResult(L"未知启动方式", false);
  } else {
    controller_.checkPage->HardwareResult(bootMode + L" 启动", true);
  }
}

void CSysCheckThread::CheckMemory() {
  int64_t memory = QueryInstalledMemory();
  CGlobalParam::Instance()->totalMemory = memory;
  controller_.checkPage->MemoryResult(std::max<int64_t>(memory, 0));
}

void CSysCheckThread::CheckSystem() {
  auto params = CGlobalParam::Instance();
  std::wstring machineText = CurrentOsLabel() + L" " + EditionName();
  controller_.machineText = machineText;
  params->osName = machineText;
  params->osBits = RunsUnderWow64() ? 64 : 32;
  controller_.checkPage->SoftwareResult(machineText);
}

void CSysCheckThread::Run() {
  ICheckPage& page = *controller_.checkPage;
  page.ItemChecking(ICheckPage::Item::Hardware);

  if (!TickWhileAtMost(20)) return;
  ++progress_;  // the boot-mode step counts one
  CheckBootMode();
  page.ItemChecking(ICheckPage::Item::Memory);

  if (!TickWhileAtMost(40)) return;
  CheckMemory();
  page.ItemChecking(ICheckPage::Item::Software);

  if (!TickWhileAtMost(60)) return;
  CheckSystem();
  page.ItemChecking(ICheckPage::Item::Network);
  controller_.networkOk = platform::Current().network().CheckConnection(LocalToWide(CatalogueUrl()));

  if (!TickWhileAtMost(80)) return;
  page.NetworkResult(controller_.networkOk);

  if (!TickWhileAtMost(90)) return;
  FetchCatalogue(controller_, [this] { return StopRequested(); });
  MarkDownloadedImages(controller_.osList, CGlobalParam::Instance()->imageDir);

  if (!TickWhileAtMost(95)) return;
  ReconcilePeDescriptor(controller_.peEntry);

  if (!TickWhileAtMost(100)) return;
  page.Recommendation(RecommendLabel(controller_.machineText));
  page.EndCheck();
}
