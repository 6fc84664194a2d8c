#include "ui/xml_wnd.h"

#include "app/product.h"
#include "skin/window_registry.h"

std::wstring DialogTitle() { return std::wstring(kProductTitle) + L"弹窗"; }

DuiLib::HWND CXMLWnd::CreateProgramWindow(DuiLib::HWND owner, const std::wstring& title) {
  return Create(owner, title.c_str(), kProgramWindowStyle, kProgramWindowExStyle, DuiLib::CW_USEDEFAULT,
                DuiLib::CW_USEDEFAULT, DuiLib::CW_USEDEFAULT, DuiLib::CW_USEDEFAULT);
}

void CXMLWnd::ApplyWindowConvention() {
  DuiLib::SetWindowStyle(m_hWnd, DuiLib::GetWindowStyle(m_hWnd) & ~kNoMaximiseNoSizing);
  CenterWindow();
}
