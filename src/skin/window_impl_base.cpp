#include "skin/window_impl_base.h"

#include <cstdio>

#include "platform/codepage.h"
#include "skin/container.h"
#include "skin/native_window.h"
#include "skin/window_registry.h"

namespace DuiLib {

WindowImplBase::~WindowImplBase() {
  if (IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  // Control timers (animations) belong to the paint manager whatever the window does
  // with its own timers.
  LRESULT result = 0;
  if (msg == WM_TIMER && m_PaintManager.MessageHandler(msg, wParam, lParam, result)) return result;

  bool handled = true;
  switch (msg) {
    case WM_CREATE:
      result = OnCreate(msg, wParam, lParam, handled);
      break;
    case WM_CLOSE:
      result = OnClose(msg, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(msg, wParam, lParam, handled);
      break;
    case WM_SIZE:
      result = OnSize(msg, wParam, lParam, handled);
      break;
    case WM_KEYDOWN:
      result = OnKeyDown(msg, wParam, lParam, handled);
      break;
    default:
      handled = false;
  }
  if (!handled) result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  if (m_PaintManager.PreMessageHandler(msg, wParam, lParam, result)) return result;
  if (m_PaintManager.MessageHandler(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddPreMessageFilter(this);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(GetSkinFolder() + GetSkinFile(), this, &m_PaintManager);
  if (!root) {
    // The window stays usable without its skin; it is only empty.
    std::fprintf(stderr, "skin: %s\n", builder.GetLastError().c_str());
    root = new CContainerUI;
    root->SetBkColor(0xFFFFFFFF);
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.AddNotifier(this);
  SIZE size = m_PaintManager.GetInitSize();
  if (size.cx > 0 && size.cy > 0) ResizeClient(size.cx, size.cy);
  InitWindow();
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& handled) {
  m_PaintManager.Invalidate();
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool& handled) {
  if (msg == WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_RETURN)) {
    handled = true;
    return ResponseDefaultKeyEvent(wParam);
  }
  return 0;
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM key) {
  // Escape closes the window as its close button does; Enter does nothing by default.
  if (key == VK_ESCAPE) Close(0);
  return 0;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_CLICK) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  const CDuiString& name = msg.pSender->GetName();
  if (name == L"closebtn") Close(0);
}

std::unique_ptr<Surface> WindowImplBase::RenderNow() {
  RECT rc;
  if (!GetWindowRect(m_hWnd, &rc)) return nullptr;
  auto surface = std::make_unique<Surface>(rc.Width(), rc.Height());
  PaintOwnerBeneath(*surface, rc);
  m_PaintManager.Render(*surface);
  return surface;
}

// A see-through window (a mask) shows its owner through it: without a compositor, the
// owner's picture is painted first.
void WindowImplBase::PaintOwnerBeneath(Surface& surface, const RECT& rc) {
  CControlUI* root = m_PaintManager.GetRoot();
  DWORD alpha = root ? root->GetBkColor() >> 24 : 255;
  if (alpha == 0 || alpha == 255) return;
  HWND owner = GetWindowOwner(m_hWnd);
  WindowRecord* rec = LiveRecord(owner);
  auto* ownerWindow = rec && rec->queue->IsCurrentThread() ? dynamic_cast<WindowImplBase*>(rec->wnd) : nullptr;
  if (!ownerWindow) return;
  auto picture = ownerWindow->RenderNow();
  if (!picture) return;
  RECT ownerRect;
  GetWindowRect(owner, &ownerRect);
  Bitmap bitmap = picture->ToBitmap();
  RECT dest{ownerRect.left - rc.left, ownerRect.top - rc.top, ownerRect.right - rc.left, ownerRect.bottom - rc.top};
  surface.CreateRenderer()->DrawImage(ImageDraw{&bitmap, {}, {}, 255}, dest);
}

void WindowImplBase::OnIdle() {
  m_PaintManager.RunDelayedCleanup();
  WindowRecord* rec = LiveRecord(m_hWnd);
  if (!rec || !rec->native || !m_PaintManager.IsDirty() || !IsWindowVisible(m_hWnd)) return;
  shown_ = RenderNow();
  if (shown_) rec->native->Present(*shown_);
}

void WindowImplBase::OnFinalMessage(HWND) { shown_.reset(); }

}  // namespace DuiLib
