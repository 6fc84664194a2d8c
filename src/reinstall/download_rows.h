#pragma once
// The rows of a download window, one per image, as the download workers (the download-only
// one, the USB maker's) update them from their threads; rows are numbered in the order of
// the worker's list.

#include <cstddef>
#include <cstdint>
#include <string>

struct TaskProgress;

class IDownloadRows {
 public:
  virtual ~IDownloadRows() = default;

  // The progress bar, in units of 4096 bytes.
  virtual void SetRowProgress(size_t row, int64_t value) = 0;
  virtual void SetRowSpeed(size_t row, int64_t bytesPerSecond) = 0;
  // "已下载：%d%%" of the percentage; "等待" when it is negative.
  virtual void SetRowPercent(size_t row, float percent) = 0;
  // Progress 100, "已下载：100%", no speed.
  virtual void MarkRowComplete(size_t row) = 0;
  // The image could not be fetched; `reason` says why (a damaged image twice).
  virtual void MarkRowFailed(size_t row, const std::wstring& reason) = 0;
  // No row is downloading any more: message 3026 to the window.
  virtual void AllDownloadsDone() = 0;
};

// One poll of a row's task: the progress bar at every poll, the speed and the percentage
// when `refreshTexts` (about once a second).
void ShowRowProgress(IDownloadRows& rows, size_t row, const TaskProgress& progress, bool refreshTexts);
