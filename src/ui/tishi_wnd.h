#pragma once
// The start-up notice: its button counts down five seconds before it can be clicked.

#include "ui/xml_wnd.h"

class CTishiWnd : public CXMLWnd {
 public:
  CTishiWnd() : CXMLWnd(L"skin\\tishi.xml") {}
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  bool confirmed = false;
  int countdown = 5;

 protected:
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;
};
