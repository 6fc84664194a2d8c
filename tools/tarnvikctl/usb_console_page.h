#pragma once
// The USB maker page on the console, for tarnvikctl usb: the confirmations (answered by
// --yes or on standard input), the images given on the command line as the image choice,
// the download window with a line per row, and the make and format dialogs, each waited
// for on the calling thread as the page's modal dialogs are.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/os_entry.h"
#include "console_pages.h"
#include "reinstall/usb_download_window.h"
#include "usb_console_window.h"
#include "usbmaker/usb_list_page.h"

class ReinstallController;

namespace tarnvikctl {

class ConsoleUsbMakerPage : public UsbListPage, public IUsbDownloadWindow {
 public:
  ConsoleUsbMakerPage(ReinstallController& controller, ConsoleQuestions& questions, ConsoleUsbWindow& window,
                      std::vector<OsEntry*> images, const std::atomic<bool>& interrupted);

  void ShowSelectDiskFirst() override;
  void ShowRefusal(const std::wstring& text) override;
  bool ConfirmMake(const std::wstring& text) override;
  void ConfirmRestore(wchar_t letter, const std::wstring& text) override;
  void ConfirmNtfs(wchar_t letter, const std::wstring& text) override;
  bool ChooseImages(ImageChoice& images) override;
  bool ShowDownloadBox(const ImageChoice& images) override;
  int ShowMakeBox() override;

  // The download window's rows, from the download worker's thread.
  void SetRowProgress(size_t row, int64_t value) override;
  void SetRowSpeed(size_t row, int64_t bytesPerSecond) override;
  void SetRowPercent(size_t row, float percent) override;
  void MarkRowComplete(size_t row) override;
  void MarkRowFailed(size_t row, const std::wstring& reason) override;
  void AllDownloadsDone() override;
  // Sent: returns once the make has been started on the command's thread.
  void PeComponentReady() override;

  // Why the job did not go on, when it did not; empty otherwise.
  std::string failure;
  // The format job's outcome, once its dialog has closed.
  bool formatSucceeded = false;

 private:
  struct Row {
    std::wstring name;
    int64_t size = 0;
    int64_t done = 0;
    int64_t speed = 0;
    int lastPercent = -1;
    bool failed = false;
  };
  void RunFormat(wchar_t letter, const std::wstring& text, bool restore);
  void PrintRowLocked(size_t row, double percent);

  ReinstallController& controller_;
  ConsoleQuestions& questions_;
  ConsoleUsbWindow& window_;
  std::vector<OsEntry*> images_;
  const std::atomic<bool>& interrupted_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Row> rows_;
  bool makeRequested_ = false;  // the WinPE component is ready; the command's thread starts the make
  bool makeStarted_ = false;
  bool downloadsDone_ = false;
  bool windowOpen_ = false;
};

}  // namespace tarnvikctl
