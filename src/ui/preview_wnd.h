#pragma once
// A plain window with the main window's fonts that shows controls built in code: previews
// of the image list and the task panel for reviewers, and their tests.

#include "skin/layouts.h"
#include "ui/xml_wnd.h"

class CPreviewWnd : public CXMLWnd {
 public:
  CPreviewWnd() : CXMLWnd(L"skin\\r\\preview.xml") {}
  // The page the previewed controls go into.
  DuiLib::CVerticalLayoutUI* Body() { return Find<DuiLib::CVerticalLayoutUI>(L"body"); }
};
