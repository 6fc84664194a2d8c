#include "ui/tishi_wnd.h"

#include <cwchar>

#include "skin/window_registry.h"

namespace {
constexpr DuiLib::UINT_PTR kCountdownTimer = 1;
}

void CTishiWnd::InitWindow() {
  ApplyWindowConvention();
  DuiLib::SetTimer(m_hWnd, kCountdownTimer, 1000);
}

DuiLib::LRESULT CTishiWnd::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM,
                                               bool& handled) {
  handled = false;
  if (msg != DuiLib::WM_TIMER || wParam != kCountdownTimer) return 0;
  int shown = countdown;
  --countdown;
  if (auto* button = m_PaintManager.FindControl(L"btnIKnow")) {
    wchar_t text[32];
    if (shown == 1) {
      std::swprintf(text, 32, L"我知道了");
    } else {
      std::swprintf(text, 32, L"我知道了(%d)", shown - 1);
    }
    button->SetText(text);
    if (countdown == 0) button->SetEnabled(true);
  }
  if (countdown == 0) DuiLib::KillTimer(m_hWnd, kCountdownTimer);
  return 0;
}

void CTishiWnd::Notify(DuiLib::TNotifyUI& msg) {
  if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK && msg.pSender->GetName() == L"btnIKnow") {
    confirmed = true;
    Close(1);
  }
  CXMLWnd::Notify(msg);
}
