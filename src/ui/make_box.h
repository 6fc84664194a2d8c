#pragma once
// The make dialog: hosts the make of the selected USB disk while it is open. It starts the
// make worker when it opens (unless one runs or the last make has ended), takes the
// worker's progress messages, shows the three steps, the copy of the images and the
// result, and ends the make when it closes, asking first while the make still runs.

#include <cstdint>

#include "ui/window_target.h"
#include "ui/xml_wnd.h"

class UsbMakerController;

class CMakeBox : public CXMLWnd {
 public:
  // The pages of "tab".
  enum Page { kMaking = 0, kResult = 1, kExitQuestion = 2, kCopying = 3 };

  explicit CMakeBox(UsbMakerController& controller);
  // Ends a make still hosted here.
  ~CMakeBox() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  uint8_t result = 0;  // 1 after a successful make or without a disk, 0 after a failed one
  uint8_t succeeded = 0;
  uint8_t exitConfirmed = 0;
  uint32_t copyMax = 0;  // the copy's progress maximum, in 4096-byte units
  int mode = 0;          // 0 making, 1 result shown, 3 copying
  int64_t lastPercentTick = 0;
  int stepsShown = 0;  // 0 to 4

 protected:
  DuiLib::LRESULT OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) override;
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;

 private:
  void ShowPage(int page);
  void SetTitle(const wchar_t* title);
  void ShowResult(bool ok);
  void StepEnded(const wchar_t* caption, const wchar_t* mark, bool ok);
  void OldPartitionsDeleted(bool ok);
  void Partitioned(bool ok);
  void BootFilesWritten(bool ok);
  void CopyStarted();
  void CopyProgress(uint32_t units);
  void AskBeforeExit(const wchar_t* question);
  // The make ends with the dialog: the worker goes, the tools still running are killed.
  void EndMake();

  UsbMakerController& controller;
  WindowTarget target_;
  bool hosting_ = false;  // the make is this dialog's to end
};
