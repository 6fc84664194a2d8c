#include "ui/mask_wnd.h"

#include <memory>

#include "skin/window_registry.h"

namespace {
constexpr DuiLib::DWORD kMaskStyle = 0x10080000;  // visible, system menu
}

void CMaskWnd::InitWindow() {
  DuiLib::HWND owner = DuiLib::GetWindowOwner(m_hWnd);
  DuiLib::RECT ownerRect;
  if (owner && DuiLib::GetWindowRect(owner, &ownerRect)) {
    DuiLib::MoveWindow(m_hWnd, ownerRect);
  } else {
    CenterWindow();
  }
}

int ShowModalMasked(DuiLib::CWindowWnd* window) {
  DuiLib::HWND owner = DuiLib::GetWindowOwner(window->GetHWND());
  auto mask = std::make_unique<CMaskWnd>();
  DuiLib::RECT ownerRect;
  if (owner && DuiLib::GetWindowRect(owner, &ownerRect)) {
    mask->Create(owner, L"_*_mask_*_", kMaskStyle, 0, DuiLib::RECT{0, 0, ownerRect.Width(), ownerRect.Height()});
    mask->ShowWindow(true, true);
    DuiLib::EnableWindow(mask->GetHWND(), false);
  }
  int result = static_cast<int>(window->ShowModal());
  if (DuiLib::IsWindow(mask->GetHWND())) DuiLib::DestroyWindow(mask->GetHWND());
  return result;
}
