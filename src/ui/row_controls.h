#pragma once
// Building blocks of the rows and panels that are made in code: floating children placed
// with the library's "pos" attribute.

#include "skin/button.h"
#include "skin/container.h"
#include "skin/label.h"

// A floating child at `pos`, with an optional fixed size (0 keeps what "pos" gives).
template <typename T>
T* AddFloating(DuiLib::CContainerUI& parent, const wchar_t* pos, int width = 0, int height = 0) {
  T* control = new T;
  control->SetFloat(true);
  control->SetAttribute(L"pos", pos);
  if (width > 0) control->SetFixedWidth(width);
  if (height > 0) control->SetFixedHeight(height);
  parent.Add(control);
  return control;
}

// A floating label with its font, colour and alignment ("left", "center", "right").
DuiLib::CLabelUI* AddLabel(DuiLib::CContainerUI& parent, const wchar_t* pos, int width, int height, int font,
                           DuiLib::DWORD color, const wchar_t* align, const std::wstring& text);

// A folder as the rows show it: without its trailing backslashes.
std::wstring WithoutTrailingBackslashes(std::wstring path);
