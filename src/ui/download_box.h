#pragma once
// The USB maker's download window. It runs the image downloads of a make (CMultiDownThread)
// with one row per entry, each row with a cancel button; when the WinPE component is ready
// (message 3027) it starts the make, and when every download is done (3026) it closes with
// code 2. Closing earlier asks first; the cancel button also aborts the make.
//
// How the maker page opens it:
//   int code = RunDownloadBox(mainWindow, reinstallController, usbMakerController, entries);
// 1: "btnCancelDownload" (or a close it started), 2: all downloads done, 0: the title bar.

#include <functional>
#include <memory>
#include <vector>

#include "app/thread_base.h"
#include "reinstall/usb_download_window.h"
#include "ui/download_list_wnd.h"
#include "usbmaker/image_queue.h"

class ReinstallController;
class UsbMakerController;

class CDownloadBox : public CDownloadListWnd {
 public:
  // The download worker and how a row's cancel reaches it.
  struct Worker {
    std::unique_ptr<CThreadBase> thread;
    std::function<void(const OsEntry*)> cancelEntry;
  };
  using WorkerFactory = std::function<Worker(const std::vector<OsEntry*>& entries, IUsbDownloadWindow& window,
                                             IImageQueue& makeQueue)>;

  CDownloadBox(ReinstallController& reinstall, UsbMakerController& usbMaker, std::vector<OsEntry*> entries);
  // Stops the downloads if the window has not yet.
  ~CDownloadBox() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  bool HasDownloadWorker() const { return worker_.thread != nullptr; }

  bool makeStarted = false;
  // Makes the download worker at InitWindow: a CMultiDownThread unless a test puts
  // another in before the window is created; cleared, the window downloads nothing (a
  // preview of its rows).
  WorkerFactory makeWorker;

 protected:
  DuiLib::LRESULT OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) override;
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;

 private:
  // The rows as the download worker sees them, with "the WinPE component is ready".
  class WorkerFace : public IUsbDownloadWindow {
   public:
    explicit WorkerFace(CDownloadBox& box) : box_(box) {}
    void SetRowProgress(size_t row, int64_t value) override { box_.SetRowProgress(row, value); }
    void SetRowSpeed(size_t row, int64_t bytesPerSecond) override { box_.SetRowSpeed(row, bytesPerSecond); }
    void SetRowPercent(size_t row, float percent) override { box_.SetRowPercent(row, percent); }
    void MarkRowComplete(size_t row) override { box_.MarkRowComplete(row); }
    void MarkRowFailed(size_t row, const std::wstring& reason) override { box_.MarkRowFailed(row, reason); }
    void AllDownloadsDone() override { box_.AllDownloadsDone(); }
    void PeComponentReady() override;

   private:
    CDownloadBox& box_;
  };

  void CancelRow(DuiLib::CControlUI* cancelButton);
  void StartMakeOnce();

  ReinstallController& reinstall_;
  UsbMakerController& usbMaker_;
  WorkerFace face_{*this};
  Worker worker_;
};

int RunDownloadBox(DuiLib::HWND owner, ReinstallController& reinstall, UsbMakerController& usbMaker,
                   const std::vector<OsEntry*>& entries);
