#pragma once
// The copy of the program to a local volume: the bar of the copy worker and the folder
// the copy goes to (a click opens it). Closes with 2 when the copy has finished.

#include "ui/window_target.h"
#include "ui/xml_wnd.h"

class ProgramCopy;

namespace DuiLib {
class CProgressUI;
}

class CCopyBox : public CXMLWnd {
 public:
  explicit CCopyBox(ProgramCopy& copy);
  // Stops a copy still running.
  ~CCopyBox() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  bool copyRunning = false;
  int result = 0;  // 2 once the copy has finished

 protected:
  DuiLib::LRESULT OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) override;
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;

 private:
  void StopCopy();

  ProgramCopy& copy;
  DuiLib::CProgressUI* progress = nullptr;
  WindowTarget target_;
};
