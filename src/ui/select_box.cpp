#include "ui/select_box.h"

#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "platform/platform.h"
#include "reinstall/pe_presence.h"
#include "skin/list.h"
#include "ui/msg_box.h"
#include "ui/opt_list_item.h"
#include "usbmaker/usb_disk_texts.h"
#include "usbmaker/usb_maker_controller.h"

CSelectBox::CSelectBox(UsbMakerController& controller, const std::vector<std::unique_ptr<OsEntry>>& catalogue,
                       ImageChoice& chosen, DownloadProgress downloadProgress)
    : CXMLWnd(L"skin\\u\\m\\SelectBox.xml"),
      controller(controller),
      catalogue(catalogue),
      chosen(chosen),
      downloadProgress_(std::move(downloadProgress)) {
  chosen.clear();
}

std::wstring CSelectBox::RowText(const OsEntry& entry) const {
  if (entry.state == 3) return entry.name + L"（下载完成）";
  if (downloadProgress_) {
    if (std::optional<double> done = downloadProgress_(entry.url)) {
      return entry.name + L"（已下载" + std::to_wstring(static_cast<int>(*done * 100)) + L"%）";
    }
  }
  return entry.name;
}

void CSelectBox::InitWindow() {
  ApplyWindowConvention();
  auto* list = Find<DuiLib::CListUI>(L"listOS");
  if (!list) return;
  for (const auto& entry : catalogue) {
    list->Add(new OptListItem_t(RowText(*entry), UsbSizeText(static_cast<uint64_t>(entry->size)), entry.get()));
  }
  if (auto* first = dynamic_cast<OptListItem_t*>(list->GetItemAt(0))) {
    first->option()->Selected(true, false);
    first->ShowSelected(true);
  }
}

void CSelectBox::ShowSelection() {
  auto* list = Find<DuiLib::CListUI>(L"listOS");
  if (!list) return;
  for (int i = 0; i < list->GetCount(); ++i) {
    if (auto* row = dynamic_cast<OptListItem_t*>(list->GetItemAt(i))) row->ShowSelected(row->option()->IsSelected());
  }
}

bool CSelectBox::CanFetch(bool everythingDownloaded) {
  if (everythingDownloaded && IsPeComponentPresent(controller.peComponent)) return true;
  if (platform::Current().network().CheckConnection(LocalToWide(CatalogueUrl()))) return true;
  ShowMsgBox1(m_hWnd, L"请检查网络是否正确连接！", L"提示", 0, L"确定");
  return false;
}

void CSelectBox::Finish(int answer) {
  result = answer;
  Close(static_cast<DuiLib::UINT>(answer));
}

void CSelectBox::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_SELECTCHANGED && msg.pSender->GetClass() == DuiLib::CDuiString(L"OptionUI")) {
    ShowSelection();
  } else if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    const DuiLib::CDuiString& name = msg.pSender->GetName();
    if (name == L"btnMake") {
      if (CanFetch(true)) Finish(2);
    } else if (name == L"btnSelAndMake") {
      chosen.clear();
      bool everythingDownloaded = true;
      if (auto* list = Find<DuiLib::CListUI>(L"listOS")) {
        for (int i = 0; i < list->GetCount(); ++i) {
          auto* row = dynamic_cast<OptListItem_t*>(list->GetItemAt(i));
          if (!row || !row->option()->IsSelected()) continue;
          auto* entry = const_cast<OsEntry*>(static_cast<const OsEntry*>(row->record()));
          chosen.push_back(entry);
          everythingDownloaded &= entry->state == 3;
        }
      }
      if (chosen.empty()) {
        ShowMsgBox1(m_hWnd, L"请最少选中一个操作系统！", L"提示", 0, L"确定");
      } else if (CanFetch(everythingDownloaded)) {
        Finish(3);
      }
    }
  }
  CXMLWnd::Notify(msg);
}

DuiLib::LRESULT CSelectBox::OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) {
  if (wParam == 0) result = 1;
  return CXMLWnd::OnClose(msg, wParam, lParam, handled);
}
