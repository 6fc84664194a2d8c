#include "ui/download_box.h"

#include "reinstall/multi_down_thread.h"
#include "skin/window_registry.h"
#include "ui/mask_wnd.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

CDownloadBox::CDownloadBox(ReinstallController& reinstall, UsbMakerController& usbMaker,
                           std::vector<OsEntry*> entries)
    : CDownloadListWnd(std::move(entries), true), reinstall_(reinstall), usbMaker_(usbMaker) {
  makeWorker = [this](const std::vector<OsEntry*>& list, IUsbDownloadWindow& window, IImageQueue& makeQueue) {
    auto thread = std::make_unique<CMultiDownThread>(reinstall_, list, window, makeQueue);
    CMultiDownThread* downloads = thread.get();
    return Worker{std::move(thread), [downloads](const OsEntry* entry) { downloads->CancelEntry(entry); }};
  };
}

CDownloadBox::~CDownloadBox() { worker_ = {}; }

void CDownloadBox::InitWindow() {
  InitList();
  if (entries.size() == 1 && entries[0]->name == L"PE组件") {
    if (auto* label = m_PaintManager.FindControl(L"lab1")) label->SetText(L"");
    if (folderButton != nullptr) {
      folderButton->SetText(L"");
      folderButton->SetEnabled(false);
    }
  }
  if (worker_.thread || !makeWorker) return;
  worker_ = makeWorker(entries, face_, usbMaker_.makeQueue());
  worker_.thread->Start();
}

void CDownloadBox::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    const DuiLib::CDuiString& name = msg.pSender->GetName();
    if (name == L"btnCancelDownload") {
      Close(1);
    } else if (name == L"btnFolder") {
      OpenImageFolder();
    } else if (name == L"btnDelTask") {
      CancelRow(msg.pSender);
    }
  }
  CDownloadListWnd::Notify(msg);
}

void CDownloadBox::CancelRow(DuiLib::CControlUI* cancelButton) {
  if (list == nullptr) return;
  for (int i = 0; i < list->GetCount(); ++i) {
    auto* row = dynamic_cast<CDlListItem*>(list->GetItemAt(i));
    if (row == nullptr || row->CancelButton() != cancelButton) continue;
    if (worker_.cancelEntry) worker_.cancelEntry(row->GetEntry());
    list->Remove(row);
    list->Invalidate();
    return;
  }
}

DuiLib::LRESULT CDownloadBox::OnClose(DuiLib::UINT, DuiLib::WPARAM wParam, DuiLib::LPARAM, bool& handled) {
  if (!MayClose(makeStarted ? L"已经开始制作，退出可能损坏U盘，确定要退出？" : L"尚有任务未下载完成，确定要退出？")) {
    handled = true;
    return 0;
  }
  worker_ = {};
  if ((usbMaker_.finished || wParam == 1) && usbMaker_.makeThread) {
    usbMaker_.AbandonMake();
  }
  handled = false;
  return 0;
}

DuiLib::LRESULT CDownloadBox::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM, DuiLib::LPARAM, bool& handled) {
  handled = false;
  if (msg == kMsgAllDownloadsDone) {
    downloadsDone = true;
    Close(2);
  } else if (msg == kMsgPeComponentReady) {
    StartMakeOnce();
  }
  return 0;
}

void CDownloadBox::StartMakeOnce() {
  makeStarted = true;
  // A make already running keeps going: the controller starts no second one.
  if (!usbMaker_.finished) usbMaker_.StartMake();
}

void CDownloadBox::WorkerFace::PeComponentReady() { DuiLib::PostMessage(box_.GetHWND(), kMsgPeComponentReady); }

int RunDownloadBox(DuiLib::HWND owner, ReinstallController& reinstall, UsbMakerController& usbMaker,
                   const std::vector<OsEntry*>& entries) {
  CDownloadBox box(reinstall, usbMaker, entries);
  box.CreateProgramWindow(owner, DialogTitle());
  return ShowModalMasked(&box);
}
