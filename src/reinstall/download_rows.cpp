#include "reinstall/download_rows.h"

#include "download/download_task.h"

void ShowRowProgress(IDownloadRows& rows, size_t row, const TaskProgress& progress, bool refreshTexts) {
  rows.SetRowProgress(row, progress.downloaded / 4096);
  if (!refreshTexts) return;
  rows.SetRowSpeed(row, progress.speed);
  rows.SetRowPercent(row, progress.fraction < 0 ? -1.0f : progress.fraction * 100);
}
