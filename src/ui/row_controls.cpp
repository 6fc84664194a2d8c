#include "ui/row_controls.h"

#include "skin/container.h"

DuiLib::CLabelUI* AddLabel(DuiLib::CContainerUI& parent, const wchar_t* pos, int width, int height, int font,
                           DuiLib::DWORD color, const wchar_t* align, const std::wstring& text) {
  auto* label = AddFloating<DuiLib::CLabelUI>(parent, pos, width, height);
  label->SetFont(font);
  label->SetTextColor(color);
  label->SetAttribute(L"align", align);
  label->SetText(text);
  return label;
}

std::wstring WithoutTrailingBackslashes(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}
