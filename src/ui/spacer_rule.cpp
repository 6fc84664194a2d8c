#include "ui/spacer_rule.h"

int MessageSpacerHeight(int textWidth, int lineHeight, int pixelsPerLine) {
  int lines = textWidth / pixelsPerLine;
  int height = (65 - lines * lineHeight) / 2;
  return height == 1 ? 6 : height;
}

void PlaceMessage(DuiLib::CPaintManagerUI& manager, const wchar_t* textName, const wchar_t* spacerName,
                  const std::wstring& text, int pixelsPerLine) {
  DuiLib::CControlUI* message = manager.FindControl(textName);
  if (!message) return;
  if (DuiLib::CControlUI* spacer = manager.FindControl(spacerName)) {
    DuiLib::SIZE extent = manager.MeasureText(text);
    int height = MessageSpacerHeight(extent.cx, extent.cy, pixelsPerLine);
    spacer->SetAttribute(L"height", std::to_wstring(height).c_str());
  }
  message->SetText(text);
}
