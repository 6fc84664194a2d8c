#include "ui/make_box.h"

#include <cstdio>

#include "skin/clock.h"
#include "skin/gif_anim.h"
#include "skin/layouts.h"
#include "skin/label.h"
#include "skin/progress.h"
#include "ui/spacer_rule.h"
#include "usbmaker/make_thread.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

constexpr wchar_t kMakingTitle[] = L"正在制作中，请稍候";
constexpr wchar_t kCopyingTitle[] = L"拷贝镜像";
constexpr DuiLib::DWORD kStepDoneColor = 2633782;  // red 40, green 48, blue 54
constexpr int64_t kPercentIntervalMs = 500;

std::wstring Image(const wchar_t* name) { return std::wstring(L"skin\\u\\m\\") + name; }

}  // namespace

CMakeBox::CMakeBox(UsbMakerController& controller)
    : CXMLWnd(L"skin\\u\\m\\MsgBoxMake.xml"), controller(controller) {}

CMakeBox::~CMakeBox() { EndMake(); }

void CMakeBox::InitWindow() {
  ApplyWindowConvention();
  target_ = WindowTarget(m_hWnd);
  if (controller.selectedDisk == nullptr) {
    SetTitle(L"提示");
    if (auto* icon = m_PaintManager.FindControl(L"imgIcon1")) icon->SetBkImage(Image(L"icon-cro.png").c_str());
    if (auto* text = m_PaintManager.FindControl(L"labText1")) text->SetText(L"没找到U盘");
    result = 1;
    mode = 1;
    ShowPage(kResult);
    return;
  }
  if (controller.finished) {
    ShowResult(controller.succeeded);
  } else {
    SetTitle(kMakingTitle);
    if (!controller.makeThread || !controller.makeThread->IsBusy()) controller.StartMake();
    mode = 0;
    ShowPage(kMaking);
  }
  hosting_ = true;
  controller.makeDialog = &target_;
  if (controller.makeThread) controller.makeThread->window.Set(&target_);
  // The steps the make passed before the dialog opened.
  const int32_t stage = controller.stage;
  if (stage > 0) SendMessage(kMsgOldPartitionsDeleted, 1);
  if (stage > 1) SendMessage(kMsgPartitioned, 1);
  if (stage > 2) SendMessage(kMsgBootFilesWritten, 1);
  // A stored result stays in view: only a make still running goes on to its copy page.
  if (stage > 3 && mode == 0) SendMessage(kMsgCopyTotal, 1);
}

void CMakeBox::ShowPage(int page) {
  if (auto* tab = Find<DuiLib::CTabLayoutUI>(L"tab")) tab->SelectItem(page);
}

void CMakeBox::SetTitle(const wchar_t* title) {
  if (auto* label = m_PaintManager.FindControl(L"labTitle")) label->SetText(title);
}

void CMakeBox::ShowResult(bool ok) {
  SetTitle(L"提示");
  succeeded = ok ? 1 : 0;
  if (auto* icon = m_PaintManager.FindControl(L"imgIcon1")) {
    icon->SetBkImage(Image(ok ? L"icon-tic.png" : L"icon-cro.png").c_str());
  }
  if (auto* text = m_PaintManager.FindControl(L"labText1")) text->SetText(ok ? L"制作完成" : L"制作失败");
  result = ok ? 1 : 0;
  mode = 1;
  ShowPage(kResult);
}

void CMakeBox::StepEnded(const wchar_t* caption, const wchar_t* mark, bool ok) {
  if (auto* label = Find<DuiLib::CLabelUI>(caption)) label->SetTextColor(kStepDoneColor);
  if (auto* gif = Find<DuiLib::CGifAnimUI>(mark)) gif->SetGif(Image(ok ? L"tick.png" : L"cross.png"));
}

void CMakeBox::OldPartitionsDeleted(bool ok) {
  if (auto* line = m_PaintManager.FindControl(L"imgLine1")) line->SetBkImage(Image(L"Line-green.png").c_str());
  StepEnded(L"labFomat", L"gif1", ok);
  if (auto* next = m_PaintManager.FindControl(L"gif2")) next->SetVisible(true);
  stepsShown = 1;
}

void CMakeBox::Partitioned(bool ok) {
  if (stepsShown < 1) OldPartitionsDeleted(true);
  if (auto* point = m_PaintManager.FindControl(L"imgPoint2")) point->SetBkImage(Image(L"Point-green.png").c_str());
  if (auto* line = m_PaintManager.FindControl(L"imgLine2")) line->SetBkImage(Image(L"Line-green.png").c_str());
  StepEnded(L"labPartition", L"gif2", ok);
  if (auto* next = m_PaintManager.FindControl(L"gif3")) next->SetVisible(true);
  stepsShown = 2;
}

void CMakeBox::BootFilesWritten(bool ok) {
  if (stepsShown < 2) Partitioned(true);
  if (auto* point = m_PaintManager.FindControl(L"imgPoint3")) point->SetBkImage(Image(L"Point-green.png").c_str());
  StepEnded(L"labWritePe", L"gif3", ok);
  stepsShown = 3;
}

void CMakeBox::CopyStarted() {
  SetTitle(kCopyingTitle);
  const uint32_t total = controller.makeThread ? PageUnits(controller.makeThread->QueuedBytes()) : 0;
  if (auto* bar = Find<DuiLib::CProgressUI>(L"pgsCopy")) {
    bar->SetMinValue(0);
    bar->SetMaxValue(static_cast<int>(total));
    bar->SetValue(static_cast<int>(PageUnits(controller.CopiedSoFar())));
  }
  copyMax = total;
  mode = 3;
  ShowPage(kCopying);
}

void CMakeBox::CopyProgress(uint32_t units) {
  if (auto* bar = Find<DuiLib::CProgressUI>(L"pgsCopy")) bar->SetValue(static_cast<int>(units));
  const int64_t now = DuiLib::CurrentClock().NowMs();
  if (now - lastPercentTick <= kPercentIntervalMs) return;
  lastPercentTick = now;
  if (auto* percent = m_PaintManager.FindControl(L"labCopyPer"); percent && copyMax > 0) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.2f%%", units * 100.0 / copyMax);
    percent->SetText(text);
  }
}

DuiLib::LRESULT CMakeBox::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                              bool& handled) {
  handled = true;
  controller.TrackMakeStage(msg, wParam);
  switch (msg) {
    case kMsgOldPartitionsDeleted:
      OldPartitionsDeleted(wParam == 1);
      break;
    case kMsgPartitioned:
      Partitioned(wParam == 1);
      break;
    case kMsgBootFilesWritten:
      BootFilesWritten(wParam == 1);
      break;
    case kMsgMakeFinished:
      ShowResult(wParam == 1);
      stepsShown = 4;
      break;
    case kMsgCopyTotal:
      CopyStarted();
      break;
    case kMsgCopyProgress:
      CopyProgress(static_cast<uint32_t>(wParam));
      break;
    case kMsgCopyingFile:
      if (auto* file = m_PaintManager.FindControl(L"labCopyFile"); file && wParam != 0) {
        file->SetText(reinterpret_cast<const wchar_t*>(wParam));
      }
      break;
    default:
      handled = false;
      return CXMLWnd::HandleCustomMessage(msg, wParam, lParam, handled);
  }
  return 0;
}

void CMakeBox::AskBeforeExit(const wchar_t* question) {
  PlaceMessage(m_PaintManager, L"reText", L"ctrlSetHeight", question, 345);
  SetTitle(L"提示");
  ShowPage(kExitQuestion);
}

DuiLib::LRESULT CMakeBox::OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) {
  auto* tab = Find<DuiLib::CTabLayoutUI>(L"tab");
  const int page = tab ? tab->GetCurSel() : kResult;
  handled = true;  // the window stays unless the table below closes it
  if (page == kMaking) {
    AskBeforeExit(L"此时退出可能会损坏U盘，您确定退出？");
    return 0;
  }
  if (page == kCopying) {
    AskBeforeExit(L"正在拷贝镜像，您确定退出？");
    return 0;
  }
  if (page == kExitQuestion && !exitConfirmed) {
    if (mode == 0) {
      SetTitle(kMakingTitle);
      ShowPage(kMaking);
    } else if (mode == 3) {
      SetTitle(kCopyingTitle);
      ShowPage(kCopying);
    }
    return 0;
  }
  EndMake();
  return CXMLWnd::OnClose(msg, wParam, lParam, handled);
}

void CMakeBox::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
    const DuiLib::CDuiString& name = msg.pSender->GetName();
    if (name == L"btnOk" || name == L"btnCencal") {
      exitConfirmed = name == L"btnOk" ? 1 : 0;
      Close(result);
    }
  }
  CXMLWnd::Notify(msg);
}

void CMakeBox::EndMake() {
  if (!hosting_) return;
  hosting_ = false;
  controller.makeDialog = nullptr;
  controller.AbandonMake();
}
