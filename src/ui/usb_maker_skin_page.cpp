#include "ui/usb_maker_skin_page.h"

#include "skin/window_registry.h"
#include "stats/fixed_points.h"
#include "ui/format_msg_box.h"
#include "ui/make_box.h"
#include "ui/msg_box.h"
#include "ui/opt_list_item.h"
#include "ui/run_dialog.h"
#include "usbmaker/usb_disk_texts.h"
#include "usbmaker/usb_messages.h"

CUsbMakerPage::CUsbMakerPage(UsbMakerController& controller, DuiLib::CPaintManagerUI& manager,
                             DuiLib::HWND mainWindow, PointPoster postPoint)
    : controller(controller), manager_(manager), mainWindow_(mainWindow), postPoint_(std::move(postPoint)) {
  manager_.AddNotifier(this);
}

CUsbMakerPage::~CUsbMakerPage() {
  manager_.RemoveNotifier(this);
  if (controller.page == this) controller.page = nullptr;
}

void CUsbMakerPage::SetUp() {
  list_ = dynamic_cast<DuiLib::CListUI*>(manager_.FindControl(L"listUDisk"));
  controller.page = this;
  controller.SetUpPage();
}

void CUsbMakerPage::OnMainWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const bool makeMessage = (message >= kMsgOldPartitionsDeleted && message <= kMsgBootFilesWritten) ||
                           (message >= kMsgCopyTotal && message <= kMsgCopyingFile);
  if (!makeMessage) return;
  IMessageTarget* dialog = controller.makeDialog;
  if (dialog == nullptr) {
    controller.TrackMakeStage(message, wParam);
    return;
  }
  // The dialog keeps the stage itself. A file's name lives only while the worker waits
  // in its send: it is handed on at once.
  if (message == kMsgCopyingFile || message == kMsgCopyTotal) {
    dialog->Send(message, wParam, lParam);
  } else {
    dialog->Post(message, wParam, lParam);
  }
}

void CUsbMakerPage::Notify(DuiLib::TNotifyUI& msg) {
  if (!list_) return;
  if (msg.sType == DuiLib::DUI_MSGTYPE_SELECTCHANGED && msg.pSender->GetClass() == DuiLib::CDuiString(L"OptionUI") &&
      RowOfOption(*list_, msg.pSender)) {
    ApplySelection(msg.pSender);
  } else if (msg.sType == DuiLib::DUI_MSGTYPE_ITEMSELECT && msg.pSender == list_) {
    // A click on the row beside its mark selects the row's mark.
    if (auto* row = dynamic_cast<OptListItem_t*>(list_->GetItemAt(static_cast<int>(msg.wParam)))) {
      if (!row->option()->IsSelected()) row->option()->Selected(true, true);
    }
  } else if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    controller.OnClick(msg.pSender->GetName());
  }
}

void CUsbMakerPage::ApplySelection(DuiLib::CControlUI* option) {
  VolumeInfo* selected = nullptr;
  for (int i = 0; i < list_->GetCount(); ++i) {
    auto* row = dynamic_cast<OptListItem_t*>(list_->GetItemAt(i));
    if (!row) continue;
    if (row->option() != option) row->option()->Selected(false, false);
    const bool isSelected = row->option()->IsSelected();
    row->ShowSelected(isSelected);
    if (isSelected) selected = const_cast<VolumeInfo*>(static_cast<const VolumeInfo*>(row->record()));
  }
  controller.Select(selected);
}

void CUsbMakerPage::ShowSelectDiskFirst() {
  ShowMsgBox1(mainWindow_, L"请选择相应的U盘设备后重试！", L"提示", 0, L"确定");
}

void CUsbMakerPage::ShowRefusal(const std::wstring& text) { ShowMsgBox1(mainWindow_, text, L"提示", 0, L"确定"); }

bool CUsbMakerPage::ConfirmMake(const std::wstring& text) {
  CFormatMsgBox box(controller, text, L"", postPoint_);
  box.restore = 0;
  box.convertNtfs = 0;
  box.runsJob = 0;
  const bool confirmed = RunDialog(box, mainWindow_) == 1;
  postPoint_(std::make_unique<FixedMakeUsb>(confirmed));
  return confirmed;
}

void CUsbMakerPage::ConfirmRestore(wchar_t, const std::wstring& text) { RunFormatJob(text, true, false); }

void CUsbMakerPage::ConfirmNtfs(wchar_t, const std::wstring& text) { RunFormatJob(text, false, true); }

void CUsbMakerPage::RunFormatJob(const std::wstring& text, bool restore, bool convertNtfs) {
  CFormatMsgBox box(controller, text, L"询问", postPoint_);
  box.restore = restore ? 1 : 0;
  box.convertNtfs = convertNtfs ? 1 : 0;
  box.runsJob = 1;
  RunDialog(box, mainWindow_);
}

bool CUsbMakerPage::ChooseImages(ImageChoice& images) {
  CSelectBox box(controller, controller.catalogue, images, downloadProgress);
  const int answer = RunDialog(box, mainWindow_);
  if (answer == 1) return false;
  if (answer == 2) images.clear();
  return true;
}

bool CUsbMakerPage::ShowDownloadBox(const ImageChoice& images) { return showDownloadBox && showDownloadBox(images); }

int CUsbMakerPage::ShowMakeBox() {
  CMakeBox box(controller);
  return RunDialog(box, mainWindow_);
}

void CUsbMakerPage::ShowHotKeyBox() {
  if (showHotKeyBox) showHotKeyBox();
}

bool CUsbMakerPage::IsMainWindowEnabled() { return DuiLib::IsWindowEnabled(mainWindow_); }

void CUsbMakerPage::AppendRow(VolumeInfo* disk) {
  if (list_) list_->Add(new OptListItem_t(UsbDiskText(*disk), UsbSizeText(disk->totalBytes), disk));
}

void CUsbMakerPage::RemoveRow(VolumeInfo* disk) {
  if (!list_) return;
  if (OptListItem_t* row = FindRow(*list_, disk)) list_->Remove(row);
}

void CUsbMakerPage::SelectRow(VolumeInfo* disk) {
  if (!list_) return;
  if (OptListItem_t* row = FindRow(*list_, disk)) row->option()->Selected(true, true);
}

void CUsbMakerPage::SetListBackground(const std::wstring& image) {
  if (list_) list_->SetBkImage(image.c_str());
}
