#include "ui/format_msg_box.h"

#include "skin/layouts.h"
#include "stats/fixed_points.h"
#include "ui/spacer_rule.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

constexpr int kNtfsResultSpacer = 120;
// Bits of the job's failure code (3025's lParam).
constexpr intptr_t kRestoreFailed = 1;
constexpr intptr_t kConversionFailed = 2;

}  // namespace

CFormatMsgBox::CFormatMsgBox(UsbMakerController& controller, std::wstring text, std::wstring title,
                             PointPoster postPoint)
    : CXMLWnd(L"skin\\u\\m\\MsgBoxFomat.xml"),
      text(std::move(text)),
      title(std::move(title)),
      controller(controller),
      postPoint_(std::move(postPoint)) {}

CFormatMsgBox::~CFormatMsgBox() { EndJob(); }

void CFormatMsgBox::InitWindow() {
  ApplyWindowConvention();
  target_ = WindowTarget(m_hWnd);
  if (!text.empty()) PlaceMessage(m_PaintManager, L"reText", L"ctrlSetHeight", text, 345);
  if (!title.empty()) SetTitle(title);
}

void CFormatMsgBox::ShowPage(int page) {
  if (auto* tab = Find<DuiLib::CTabLayoutUI>(L"tab")) tab->SelectItem(page);
}

int CFormatMsgBox::CurrentPage() {
  auto* tab = Find<DuiLib::CTabLayoutUI>(L"tab");
  return tab ? tab->GetCurSel() : kQuestion;
}

void CFormatMsgBox::SetTitle(const std::wstring& text) {
  if (auto* label = m_PaintManager.FindControl(L"labTitle")) label->SetText(text);
}

const wchar_t* CFormatMsgBox::WorkingTitle() const {
  if (convertNtfs) return L"正在格式转化，请稍候";
  if (restore) return L"正在初始化，请稍候";
  return L"请稍候";
}

void CFormatMsgBox::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    const DuiLib::CDuiString& name = msg.pSender->GetName();
    if (name == L"btn1") {
      Confirmed();
    } else if (name == L"btn2") {
      Close(0);
    } else if (name == L"btnOk" || name == L"btnCencal") {
      exitConfirmed = name == L"btnOk" ? 1 : 0;
      Close(result);
    }
  }
  CXMLWnd::Notify(msg);
}

void CFormatMsgBox::Confirmed() {
  if (!restore && !convertNtfs) {
    result = 1;
    Close(1);
    return;
  }
  ShowPage(kWorking);
  SetTitle(WorkingTitle());
  if (convertNtfs) {
    postPoint_(std::make_unique<FixedNtfs>(true));
  } else {
    postPoint_(std::make_unique<FixedFormat>(true));
  }
  controller.formatDialog = &target_;
  if (!controller.StartFormat(restore, convertNtfs)) {
    // A job of an earlier dialog still runs: this one's answer is its failure.
    ShowJobResult(convertNtfs ? kConversionFailed : kRestoreFailed);
  }
}

DuiLib::LRESULT CFormatMsgBox::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                                   bool& handled) {
  if (msg != kMsgFormatResult) return CXMLWnd::HandleCustomMessage(msg, wParam, lParam, handled);
  handled = true;
  finishCode = lParam;
  result = 1;
  if (runsJob) {
    ShowJobResult(lParam);
  } else {
    Close(1);
  }
  return 0;
}

void CFormatMsgBox::ShowJobResult(intptr_t failure) {
  SetTitle(L"提示");
  const wchar_t* icon;
  const wchar_t* message;
  if (convertNtfs) {
    const bool ok = (failure & kConversionFailed) == 0;
    if (auto* spacer = m_PaintManager.FindControl(L"zw1")) spacer->SetFixedWidth(kNtfsResultSpacer);
    icon = ok ? L"skin\\u\\m\\icon-tic.png" : L"skin\\u\\m\\icon-cro.png";
    message = ok ? L"NTFS格式转化成功" : L"NTFS格式转化失败";
    postPoint_(std::make_unique<FixedNtfsResult>(ok));
  } else {
    const bool ok = (failure & kRestoreFailed) == 0;
    icon = ok ? L"skin\\u\\m\\icon-tic.png" : L"skin\\u\\m\\icon-cro.png";
    message = ok ? L"初始化成功" : L"初始化失败";
    postPoint_(std::make_unique<FixedFormatResult>(ok));
  }
  if (auto* image = m_PaintManager.FindControl(L"imgIcon1")) image->SetBkImage(icon);
  if (auto* label = m_PaintManager.FindControl(L"labText1")) label->SetText(message);
  ShowPage(kResult);
}

DuiLib::LRESULT CFormatMsgBox::OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                       bool& handled) {
  const int page = CurrentPage();
  handled = true;  // the window stays unless the table below closes it
  if (page == kWorking) {
    PlaceMessage(m_PaintManager, L"reText2", L"ctrlSetHeight2", L"此时退出可能会损坏U盘，您确定退出？", 345);
    SetTitle(L"提示");
    ShowPage(kExitQuestion);
    return 0;
  }
  if (page == kExitQuestion && !exitConfirmed) {
    SetTitle(WorkingTitle());
    ShowPage(kWorking);
    return 0;
  }
  if (page == kQuestion && result == 0) {
    if (convertNtfs) {
      postPoint_(std::make_unique<FixedNtfs>(false));
    } else if (restore) {
      postPoint_(std::make_unique<FixedFormat>(false));
    }
  }
  EndJob();
  return CXMLWnd::OnClose(msg, wParam, lParam, handled);
}

void CFormatMsgBox::EndJob() {
  if (controller.formatDialog != &target_) return;
  controller.formatThread.reset();
  controller.formatDialog = nullptr;
  KillTools();
}
