#pragma once
// The reinstall's download manager window: the chosen images downloaded into a folder by
// the controller's download-only worker (CDownOSThread), one row per image, without
// cancel buttons. When the downloads are done (message 3026) its button reads "完成" and
// the window stays open until the user closes it.
//
// How the reinstall page opens it:
//   int code = RunDownloadBox1(mainWindow, controller, entries, folder);
// 1: "btnCancelDownload", 0: the title bar.

#include <string>
#include <vector>

#include "ui/download_list_wnd.h"

class ReinstallController;

class CDownloadBox1 : public CDownloadListWnd {
 public:
  CDownloadBox1(ReinstallController& controller, std::vector<OsEntry*> entries, std::wstring folder);
  // Stops the downloads if the window has not yet.
  ~CDownloadBox1() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

 protected:
  DuiLib::LRESULT OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) override;
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;

 private:
  // Deletes the controller's download-only worker while this window is its rows.
  void StopDownloads();

  ReinstallController& controller_;
  const std::wstring folder_;
};

int RunDownloadBox1(DuiLib::HWND owner, ReinstallController& controller, const std::vector<OsEntry*>& entries,
                    const std::wstring& folder);
