#include "catalogue/sys_check_thread.h"

#include <algorithm>

#include "app/contains_no_case.h"
#include "app/global_param.h"
#include "app/system_drive.h"
#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "catalogue/check_findings.h"
#include "catalogue/check_page.h"
#include "catalogue/image_scan.h"
#include "catalogue/memory_query.h"
#include "catalogue/os_labels.h"
#include "catalogue/pe_descriptor.h"
#include "catalogue/windows_version.h"
#include "platform/platform.h"
#include "usbmaker/disk_inventory.h"

using namespace std::chrono_literals;

CSysCheckThread::CSysCheckThread(ICheckPage& page, ICheckFindings& findings, const PeEntry& previousPe,
                                 std::chrono::milliseconds tick)
    : page_(page), findings_(findings), tick_(tick), pe_(previousPe) {}

CSysCheckThread::~CSysCheckThread() {
  RequestStop();
  StopThread(200ms);
}

bool CSysCheckThread::TickWhileAtMost(int limit) {
  while (progress_ <= limit) {
    if (StopRequested() || !SleepOrStop(tick_)) return false;
    ++progress_;
    page_.SetProgress(std::clamp(progress_, 0, 100));
  }
  return true;
}

void CSysCheckThread::CheckBootMode() {
  PartitionLocation location;
  std::wstring bootMode;
  if (GetPartitionLocation(SystemDirectoryDrive(), location)) bootMode = location.isGpt ? L"UEFI" : L"MBR";
  auto params = CGlobalParam::Instance();
  machine_.bootModeText = bootMode;
  findings_.BootModeFound(bootMode);
  params->bootMode = bootMode;
  params->isUefi = ContainsNoCase(bootMode, L"UEFI");
  if (bootMode.empty()) {
    page_.HardwareResult(L"未知启动方式", false);
  } else {
    page_.HardwareResult(bootMode + L" 启动", true);
  }
}

void CSysCheckThread::CheckMemory() {
  int64_t memory = QueryInstalledMemory();
  CGlobalParam::Instance()->totalMemory = memory;
  page_.MemoryResult(std::max<int64_t>(memory, 0));
}

void CSysCheckThread::CheckSystem() {
  auto params = CGlobalParam::Instance();
  std::wstring machineText = CurrentOsLabel() + L" " + EditionName();
  machine_.machineText = machineText;
  machine_.osBits = RunsUnderWow64() ? 64 : 32;
  findings_.MachineFound(machineText);
  params->osName = machineText;
  params->osBits = machine_.osBits;
  page_.SoftwareResult(machineText);
}

void CSysCheckThread::Run() {
  ICheckPage& page = page_;
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
  networkOk_ = platform::Current().network().CheckConnection(LocalToWide(CatalogueUrl()));
  findings_.NetworkFound(networkOk_);

  if (!TickWhileAtMost(80)) return;
  page.NetworkResult(networkOk_);

  if (!TickWhileAtMost(90)) return;
  CatalogueResult catalogue = FetchCatalogue(machine_, CGlobalParam::Instance()->channel, networkOk_, pe_,
                                             [this] { return StopRequested(); });
  MarkDownloadedImages(catalogue.osList, CGlobalParam::Instance()->imageDir);
  pe_ = catalogue.peEntry;
  findings_.CatalogueFound(std::move(catalogue));

  if (!TickWhileAtMost(95)) return;
  ReconcilePeDescriptor(pe_);
  findings_.PeEntryReconciled(pe_);

  if (!TickWhileAtMost(100)) return;
  page.Recommendation(RecommendLabel(machine_.machineText));
  page.EndCheck();
}
