#include "reinstall/install_thread.h"

#include "app/global_param.h"
#include "app/log.h"
#include "app/pe_component.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "reinstall/install_notices.h"
#include "reinstall/pe_handoff.h"
#include "reinstall/reinstall_controller.h"
#include "reinstall/restart.h"
#include "stats/fixed_points.h"
#include "stats/point_identity.h"
#include "stats/stats_handoff.h"

CInstallThread::CInstallThread(ReinstallController& controller, PointPoster post)
    : controller_(controller), post_(std::move(post)) {}

CInstallThread::~CInstallThread() { StopThread(kStopWait); }

void CInstallThread::Run() {
  const OsEntry* selected = controller_.selectedOs;
  if (!selected) LogLine("install started without a selected image");
  const std::wstring name = selected ? selected->name : L"";
  const std::wstring imagePath = selected ? selected->localPath : L"";
  post_(std::make_unique<FixedDldInstall>(WideToLocal(name)));

  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  SetPeComponentPaths(params->peDir + controller_.peEntry.fileName);
  outcome_ = InstallCore(params->systemDrive, imagePath);

  // The WinPE reports the install itself, whether or not this run got that far, under
  // the per-run identity the points of this run carry (filled by the first of them).
  WriteStatsHandoff(kHandoffStep, CurrentPointIdentity().soleCipher);
  CleanStaleConfigIni();

  if (!outcome_.ok()) {
    if (controller_.installFailureNotice) controller_.installFailureNotice->PostInstallFailed();
  } else if (!RestartIntoPe()) {
    restartResult_ = false;
    if (controller_.restartFailureNotice) controller_.restartFailureNotice->ShowRestartFailed();
  }
  post_(std::make_unique<FixedDldReboot>(restartResult_));
}

bool CInstallThread::RestartIntoPe() {
  if (!platform::Current().system().GetVersion()) {
    LogLine("restart not requested: the Windows version cannot be read");
    return false;
  }
  return Restart();
}
