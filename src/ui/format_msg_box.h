#pragma once
// The maker's confirm-and-run dialog: asks the question, and for a restore or an NTFS
// conversion that it runs itself starts the format job on confirmation, waits for its
// result (3025) and shows it, asking first when closed while the job runs.

#include <cstdint>
#include <string>

#include "reinstall/point_poster.h"
#include "ui/window_target.h"
#include "ui/xml_wnd.h"

class UsbMakerController;

class CFormatMsgBox : public CXMLWnd {
 public:
  // The pages of "tab".
  enum Page { kQuestion = 0, kWorking = 1, kResult = 2, kExitQuestion = 3 };

  CFormatMsgBox(UsbMakerController& controller, std::wstring text, std::wstring title,
                PointPoster postPoint = PostToReporter);
  // Ends a job still running for this dialog.
  ~CFormatMsgBox() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  uint8_t result = 0;  // 1 after confirmation, or once its job finished
  intptr_t finishCode = 0;
  uint8_t exitConfirmed = 0;
  uint8_t restore = 1;
  uint8_t convertNtfs = 1;
  uint8_t runsJob = 0;

 protected:
  DuiLib::LRESULT OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) override;
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;

 private:
  void Confirmed();
  void ShowJobResult(intptr_t failure);
  void ShowPage(int page);
  int CurrentPage();
  void SetTitle(const std::wstring& title);
  const wchar_t* WorkingTitle() const;
  // The job ends with the dialog: its worker goes before the dialog it reports to.
  void EndJob();

  std::wstring text;
  std::wstring title;
  UsbMakerController& controller;
  PointPoster postPoint_;
  WindowTarget target_;
};
