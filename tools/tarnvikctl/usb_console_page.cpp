#include "usb_console_page.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/codepage.h"
#include "progress_line.h"
#include "reinstall/multi_down_thread.h"
#include "reinstall/reinstall_controller.h"
#include "usbmaker/make_thread.h"
#include "usbmaker/tool_abort.h"

namespace tarnvikctl {
namespace {

constexpr auto kLoopTick = std::chrono::milliseconds(50);
// A format job ends when its tools have; a restore of a large disk takes a while.
constexpr auto kFormatWait = std::chrono::minutes(30);

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

ConsoleUsbMakerPage::ConsoleUsbMakerPage(ReinstallController& controller, ConsoleQuestions& questions,
                                         ConsoleUsbWindow& window, std::vector<OsEntry*> images,
                                         const std::atomic<bool>& interrupted)
    : controller_(controller),
      questions_(questions),
      window_(window),
      images_(std::move(images)),
      interrupted_(interrupted) {
  UsbListPage::controller = &controller_.usbMaker;
}

void ConsoleUsbMakerPage::ShowSelectDiskFirst() { failure = "请选择相应的U盘设备后重试！ (no USB disk is selected)"; }

void ConsoleUsbMakerPage::ShowRefusal(const std::wstring& text) { failure = "refused: " + Utf8(text); }

bool ConsoleUsbMakerPage::ConfirmMake(const std::wstring& text) {
  Print(Utf8(text));
  if (questions_.Ask("Make it a boot disk?")) return true;
  failure = "the make was not confirmed; the disk is untouched";
  return false;
}

void ConsoleUsbMakerPage::ConfirmRestore(wchar_t letter, const std::wstring& text) { RunFormat(letter, text, true); }

void ConsoleUsbMakerPage::ConfirmNtfs(wchar_t letter, const std::wstring& text) { RunFormat(letter, text, false); }

void ConsoleUsbMakerPage::RunFormat(wchar_t letter, const std::wstring& text, bool restore) {
  Print(Utf8(text));
  if (!questions_.Ask(restore ? "Restore the disk?" : "Convert the volume to NTFS?")) {
    failure = "the job was not confirmed; the disk is untouched";
    return;
  }
  UsbMakerController& maker = controller_.usbMaker;
  maker.formatDialog = &window_;
  if (!maker.StartFormat(restore, !restore)) {
    failure = "the format job could not be started";
  } else if (auto result = window_.WaitForFormat(kFormatWait); !result) {
    failure = "the format job did not end within 30 minutes";
  } else if (result->ok) {
    formatSucceeded = true;
  } else {
    const std::string drive = std::string(1, static_cast<char>(letter)) + ":";
    failure = result->failedStep == 1   ? "the restore of " + drive + " failed (see the log above for the tool)"
              : result->failedStep == 2 ? "the NTFS conversion of " + drive + " failed (convert.exe; see the log above)"
                                        : "no USB disk is selected";
  }
  // The worker goes before the window it reports to.
  maker.formatThread.reset();
  maker.formatDialog = nullptr;
}

bool ConsoleUsbMakerPage::ChooseImages(ImageChoice& images) {
  images = images_;
  return true;
}

bool ConsoleUsbMakerPage::ShowDownloadBox(const ImageChoice& images) {
  {
    std::lock_guard lock(mutex_);
    rows_.clear();
    for (const OsEntry* entry : images) rows_.push_back(Row{entry->name, entry->size});
    windowOpen_ = true;
    downloadsDone_ = false;
  }
  Print("== images");
  UsbMakerController& maker = controller_.usbMaker;
  auto worker = std::make_unique<CMultiDownThread>(controller_, images, *this, maker.makeQueue());
  worker->Start();
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait_for(lock, kLoopTick);
    if (makeRequested_ && !makeStarted_) {
      lock.unlock();
      maker.StartMake();
      lock.lock();
      makeStarted_ = true;
      changed_.notify_all();
    }
    if (downloadsDone_) break;
    if (interrupted_) {
      failure = "interrupted: the downloads are parked for the next run";
      break;
    }
    if (!worker->IsRunning()) {
      failure = "the downloads ended before all of them were done";
      break;
    }
  }
  windowOpen_ = false;
  changed_.notify_all();
  bool peFailed = false;
  for (size_t i = 0; i < rows_.size(); ++i) peFailed |= rows_[i].failed && images[i]->name == L"PE组件";
  lock.unlock();
  worker.reset();
  if (peFailed && failure.empty()) failure = "the WinPE component could not be downloaded (its row says why)";
  if (!failure.empty()) maker.EndMake();
  return failure.empty();
}

int ConsoleUsbMakerPage::ShowMakeBox() {
  UsbMakerController& maker = controller_.usbMaker;
  Print("== make");
  maker.makeDialog = &window_;
  maker.StartMake();
  // The worker ends by itself: after the make and the copies, or at once when it has no disk.
  while (!maker.finished && maker.makeThread && maker.makeThread->IsRunning() && !interrupted_) {
    std::this_thread::sleep_for(kLoopTick);
  }
  maker.makeDialog = nullptr;
  if (interrupted_ && !maker.finished) {
    toolAbort = true;
    failure = "interrupted: the make was abandoned; the disk is left as far as the tools got";
  } else if (!maker.succeeded) {
    const std::string stage = window_.FailedStage();
    failure = stage.empty() ? "the disk was refused, or its layout could not be made usable (see the log above)"
                            : stage;
  }
  window_.WaitForMake(std::chrono::milliseconds(0));  // ends an open progress line
  maker.EndMake();
  return maker.succeeded ? 1 : 0;
}

void ConsoleUsbMakerPage::SetRowProgress(size_t row, int64_t value) {
  std::lock_guard lock(mutex_);
  if (row < rows_.size()) rows_[row].done = value * 4096;
}

void ConsoleUsbMakerPage::SetRowSpeed(size_t row, int64_t bytesPerSecond) {
  std::lock_guard lock(mutex_);
  if (row < rows_.size()) rows_[row].speed = bytesPerSecond;
}

void ConsoleUsbMakerPage::SetRowPercent(size_t row, float percent) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size() || static_cast<int>(percent) == rows_[row].lastPercent) return;
  rows_[row].lastPercent = static_cast<int>(percent);
  if (percent < 0) {
    Print(Utf8(rows_[row].name) + ": 等待");
  } else {
    PrintRowLocked(row, percent);
  }
}

void ConsoleUsbMakerPage::PrintRowLocked(size_t row, double percent) {
  const Row& r = rows_[row];
  Print(Utf8(r.name) + ": " + ProgressLine(percent, r.done, r.size, r.speed));
}

void ConsoleUsbMakerPage::MarkRowComplete(size_t row) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  rows_[row].done = rows_[row].size;
  Print(Utf8(rows_[row].name) + ": ready (" + ByteText(rows_[row].size) + ")");
}

void ConsoleUsbMakerPage::MarkRowFailed(size_t row, const std::wstring& reason) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  rows_[row].failed = true;
  Print(Utf8(rows_[row].name) + ": failed: " + Utf8(reason));
}

void ConsoleUsbMakerPage::AllDownloadsDone() {
  std::lock_guard lock(mutex_);
  downloadsDone_ = true;
  changed_.notify_all();
}

void ConsoleUsbMakerPage::PeComponentReady() {
  std::unique_lock lock(mutex_);
  if (!windowOpen_) return;
  makeRequested_ = true;
  changed_.notify_all();
  changed_.wait(lock, [&] { return makeStarted_ || !windowOpen_; });
}

}  // namespace tarnvikctl
