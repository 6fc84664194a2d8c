#include "ui/download_box1.h"

#include <algorithm>

#include "reinstall/down_os_thread.h"
#include "reinstall/reinstall_controller.h"
#include "skin/window_registry.h"
#include "ui/mask_wnd.h"
#include "usbmaker/usb_messages.h"

CDownloadBox1::CDownloadBox1(ReinstallController& controller, std::vector<OsEntry*> entries, std::wstring folder)
    : CDownloadListWnd(std::move(entries), false), controller_(controller), folder_(std::move(folder)) {}

CDownloadBox1::~CDownloadBox1() { StopDownloads(); }

void CDownloadBox1::InitWindow() {
  InitList();
  const bool allDownloaded =
      std::all_of(entries.begin(), entries.end(), [](const OsEntry* entry) { return entry->state == 3; });
  if (allDownloaded) {
    DuiLib::PostMessage(m_hWnd, kMsgAllDownloadsDone);
    return;
  }
  controller_.downloadRows = this;
  if (!controller_.StartImageOnlyDownload(entries, folder_)) controller_.downloadRows = nullptr;
}

void CDownloadBox1::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    const DuiLib::CDuiString& name = msg.pSender->GetName();
    if (name == L"btnCancelDownload") {
      Close(1);
    } else if (name == L"btnFolder") {
      OpenImageFolder();
    }
  }
  CDownloadListWnd::Notify(msg);
}

DuiLib::LRESULT CDownloadBox1::OnClose(DuiLib::UINT, DuiLib::WPARAM, DuiLib::LPARAM, bool& handled) {
  if (!MayClose(L"尚有任务未下载完成，确定要退出？")) {
    handled = true;
    return 0;
  }
  StopDownloads();
  handled = false;
  return 0;
}

DuiLib::LRESULT CDownloadBox1::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM, DuiLib::LPARAM, bool& handled) {
  handled = false;
  if (msg == kMsgAllDownloadsDone) {
    if (auto* button = m_PaintManager.FindControl(L"btnCancelDownload")) button->SetText(L"完成");
    downloadsDone = true;
  }
  return 0;
}

void CDownloadBox1::StopDownloads() {
  if (controller_.downloadRows != this) return;
  controller_.downOsWorker.reset();
  controller_.downloadRows = nullptr;
}

int RunDownloadBox1(DuiLib::HWND owner, ReinstallController& controller, const std::vector<OsEntry*>& entries,
                    const std::wstring& folder) {
  CDownloadBox1 box(controller, entries, folder);
  box.CreateProgramWindow(owner, DialogTitle());
  return ShowModalMasked(&box);
}
