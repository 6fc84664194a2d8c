#include "ui/download_list_wnd.h"

#include "app/global_param.h"
#include "app/log.h"
#include "platform/platform.h"
#include "skin/window_registry.h"
#include "ui/msg_box.h"
#include "ui/row_controls.h"
#include "usbmaker/usb_messages.h"

CDownloadListWnd::CDownloadListWnd(std::vector<OsEntry*> entries, bool withCancel)
    : CXMLWnd(L"skin\\u\\m\\DownloadBox.xml"), entries(std::move(entries)), withCancel_(withCancel) {}

void CDownloadListWnd::InitList() {
  ApplyWindowConvention();
  list = Find<DuiLib::CListUI>(L"listDownload");
  folderButton = Find<DuiLib::CButtonUI>(L"btnFolder");
  if (folderButton != nullptr) folderButton->SetText(WithoutTrailingBackslashes(CGlobalParam::Instance()->imageDir));
  if (list == nullptr) return;
  for (OsEntry* entry : entries) list->Add(new CDlListItem(entry, withCancel_));
}

void CDownloadListWnd::OpenImageFolder() {
  platform::ShellExecuteRequest request;
  request.verb = L"open";
  request.file = L"Explorer.exe";
  request.parameters = CGlobalParam::Instance()->imageDir;
  request.show = platform::kSwShowDefault;
  if (!platform::Current().processes().ShellExecuteEx(request)) {
    LogLine(L"cannot open the download folder: Explorer.exe " + request.parameters);
  }
}

bool CDownloadListWnd::MayClose(const wchar_t* question) {
  if (asking_) return false;
  if (downloadsDone) return true;
  asking_ = true;
  const int answer = ShowMsgBox2(m_hWnd, question, L"提示", 0, L"确定", L"取消");
  asking_ = false;
  return answer == 1 || downloadsDone;
}

CDlListItem* CDownloadListWnd::Row(size_t row) const {
  if (list == nullptr || row >= static_cast<size_t>(list->GetCount())) return nullptr;
  return dynamic_cast<CDlListItem*>(list->GetItemAt(static_cast<int>(row)));
}

void CDownloadListWnd::UpdateRow(size_t row, const std::function<void(CDlListItem&)>& update) {
  DuiLib::RunOnWindowThread(m_hWnd, [&] {
    if (CDlListItem* item = Row(row)) update(*item);
  });
}

void CDownloadListWnd::SetRowProgress(size_t row, int64_t value) {
  UpdateRow(row, [&](CDlListItem& item) { item.SetProgress(value); });
}

void CDownloadListWnd::SetRowSpeed(size_t row, int64_t bytesPerSecond) {
  UpdateRow(row, [&](CDlListItem& item) { item.SetSpeed(bytesPerSecond); });
}

void CDownloadListWnd::SetRowPercent(size_t row, float percent) {
  UpdateRow(row, [&](CDlListItem& item) { item.SetPercent(percent); });
}

void CDownloadListWnd::MarkRowComplete(size_t row) {
  UpdateRow(row, [](CDlListItem& item) { item.MarkComplete(); });
}

void CDownloadListWnd::MarkRowFailed(size_t row, const std::wstring& reason) {
  LogLine(L"download failed: " + reason);
  UpdateRow(row, [](CDlListItem& item) { item.MarkFailed(); });
}

void CDownloadListWnd::AllDownloadsDone() { DuiLib::PostMessage(m_hWnd, kMsgAllDownloadsDone); }
