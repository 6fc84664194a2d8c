#include "usb_console_window.h"

#include <cstdio>

#include "platform/codepage.h"
#include "progress_line.h"
#include "usbmaker/usb_messages.h"

namespace tarnvikctl {
namespace {

struct StageText {
  uint32_t message;
  const char* done;
  const char* failed;
};

// The make's stages as the make dialog shows them.
constexpr StageText kStages[] = {
    {kMsgOldPartitionsDeleted, "stage 1/3: the old partitions are deleted",
     "deleting the old partitions (Gdisk.exe /del /all: tool\\diskA.log says why)"},
    {kMsgPartitioned, "stage 2/3: the disk is partitioned and its hidden boot area formatted",
     "partitioning the disk or formatting its boot area (Gdisk.exe /cre, fbinst.exe format)"},
    {kMsgBootFilesWritten, "stage 3/3: the boot files are written",
     "writing the boot files (fbinst.exe, the WinPE image and the EFI partition; the log says which)"},
};

}  // namespace

void ConsoleUsbWindow::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) { Handle(message, wParam, lParam); }

intptr_t ConsoleUsbWindow::Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Handle(message, wParam, lParam);
  return 0;
}

void ConsoleUsbWindow::Handle(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard lock(mutex_);
  for (const StageText& stage : kStages) {
    if (message != stage.message) continue;
    if (wParam == 1) {
      printer_.Line(stage.done);
    } else if (failedStage_.empty()) {
      failedStage_ = stage.failed;
    }
    return;
  }
  switch (message) {
    case kMsgCopyTotal:
      copyTotal_ = static_cast<uint64_t>(wParam) << 12;
      copyStart_ = std::chrono::steady_clock::now();
      printer_.Line("copying the images: " + ByteText(static_cast<int64_t>(copyTotal_)));
      break;
    case kMsgCopyingFile:
      printer_.Line("copying " + platform::WideToUtf8(reinterpret_cast<const wchar_t*>(wParam)));
      break;
    case kMsgCopyProgress:
      PrintProgressLocked(static_cast<uint64_t>(wParam) << 12);
      break;
    case kMsgMakeFinished:
      made_ = wParam == 1;
      break;
    case kMsgFormatResult:
      formatted_ = FormatResult{wParam == 1, lParam};
      break;
    case kMsgPeComponentReady:
      peReady_ = true;
      break;
    case kMsgAllDownloadsDone:
      downloadsDone_ = true;
      break;
    default:
      break;
  }
  changed_.notify_all();
}

void ConsoleUsbWindow::PrintProgressLocked(uint64_t copied) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - copyStart_).count();
  const int64_t speed = seconds > 0 ? static_cast<int64_t>(static_cast<double>(copied) / seconds) : 0;
  const double percent = copyTotal_ == 0 ? 100 : 100.0 * static_cast<double>(copied) / static_cast<double>(copyTotal_);
  const std::string line =
      ProgressLine(percent, static_cast<int64_t>(copied), static_cast<int64_t>(copyTotal_), speed);
  printer_.Progress(line);
}

std::optional<bool> ConsoleUsbWindow::WaitForMake(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return made_.has_value(); });
  printer_.EndProgress();
  return made_;
}

std::optional<ConsoleUsbWindow::FormatResult> ConsoleUsbWindow::WaitForFormat(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return formatted_.has_value(); });
  return formatted_;
}

bool ConsoleUsbWindow::peReady() {
  std::lock_guard lock(mutex_);
  return peReady_;
}

bool ConsoleUsbWindow::downloadsDone() {
  std::lock_guard lock(mutex_);
  return downloadsDone_;
}

std::string ConsoleUsbWindow::FailedStage() {
  std::lock_guard lock(mutex_);
  return failedStage_;
}

}  // namespace tarnvikctl
