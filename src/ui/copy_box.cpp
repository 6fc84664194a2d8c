#include "ui/copy_box.h"

#include "platform/platform.h"
#include "skin/progress.h"
#include "usbmaker/program_copy.h"
#include "usbmaker/usb_messages.h"

CCopyBox::CCopyBox(ProgramCopy& copy) : CXMLWnd(L"skin\\CopyData.xml"), copy(copy) {}

CCopyBox::~CCopyBox() { StopCopy(); }

void CCopyBox::InitWindow() {
  ApplyWindowConvention();
  target_ = WindowTarget(m_hWnd);
  copyRunning = copy.StartProgramCopy(&target_);
  std::wstring folder = copy.destination();
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (auto* path = m_PaintManager.FindControl(L"btnPath")) path->SetText(folder);
  progress = Find<DuiLib::CProgressUI>(L"pgsCopy");
}

void CCopyBox::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK && msg.pSender->GetName() == L"btnPath") {
    platform::ShellExecuteRequest request;
    request.verb = L"open";
    request.file = L"Explorer.exe";
    request.parameters = msg.pSender->GetText();
    request.show = platform::kSwShowDefault;
    platform::Current().processes().ShellExecuteEx(request);
  }
  CXMLWnd::Notify(msg);
}

DuiLib::LRESULT CCopyBox::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                              bool& handled) {
  switch (msg) {
    case kMsgProgramCopyTotal:
      if (progress) {
        progress->SetMinValue(0);
        progress->SetMaxValue(static_cast<int>(wParam));
      }
      break;
    case kMsgProgramCopyProgress:
      if (progress) progress->SetValue(static_cast<int>(wParam));
      break;
    case kMsgProgramCopyDone:
      StopCopy();
      result = 2;
      Close(2);
      break;
    default:
      return CXMLWnd::HandleCustomMessage(msg, wParam, lParam, handled);
  }
  handled = true;
  return 0;
}

DuiLib::LRESULT CCopyBox::OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) {
  StopCopy();
  return CXMLWnd::OnClose(msg, wParam, lParam, handled);
}

void CCopyBox::StopCopy() {
  if (!copyRunning) return;
  copyRunning = false;
  copy.StopCopy();
}
