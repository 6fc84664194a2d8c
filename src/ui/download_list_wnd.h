#pragma once
// What both download windows share: the skin "DownloadBox.xml", one CDlListItem per entry
// in "listDownload", the image folder button, and the rows as the download workers see
// them. The workers call the row operations from their own threads; each one runs on the
// window's thread, where the controls live. "All downloads done" is message 3026, posted.

#include <functional>
#include <vector>

#include "catalogue/os_entry.h"
#include "reinstall/download_rows.h"
#include "skin/button.h"
#include "skin/list.h"
#include "ui/dl_list_item.h"
#include "ui/xml_wnd.h"

class CDownloadListWnd : public CXMLWnd, public IDownloadRows {
 public:
  // The entries are not owned; they outlive the window.
  CDownloadListWnd(std::vector<OsEntry*> entries, bool withCancel);

  void SetRowProgress(size_t row, int64_t value) override;
  void SetRowSpeed(size_t row, int64_t bytesPerSecond) override;
  void SetRowPercent(size_t row, float percent) override;
  void MarkRowComplete(size_t row) override;
  void MarkRowFailed(size_t row, const std::wstring& reason) override;
  void AllDownloadsDone() override;

  // Row `row` of the list, null when there is none; window thread only.
  CDlListItem* Row(size_t row) const;

  bool downloadsDone = false;

 protected:
  // The shared part of InitWindow: the window convention, the folder button, the rows.
  void InitList();
  // "btnFolder": the image folder in the file manager.
  void OpenImageFolder();
  // Whether a close may go on: at once when every download is done, otherwise when the
  // user confirms `question`. A close that comes while the question is open (the
  // downloads finishing meanwhile) is refused: the answer decides, and finished
  // downloads leave nothing to lose.
  bool MayClose(const wchar_t* question);

  std::vector<OsEntry*> entries;
  DuiLib::CListUI* list = nullptr;
  DuiLib::CButtonUI* folderButton = nullptr;

 private:
  // Runs `update` on row `row` on the window's thread, and waits for it.
  void UpdateRow(size_t row, const std::function<void(CDlListItem&)>& update);

  const bool withCancel_;
  bool asking_ = false;
};
