#pragma once
// The choice of images to put on the USB disk with the make: a row per catalogue entry,
// several rows selectable. "btnMake" makes the disk without images, "btnSelAndMake" with
// the selected ones; both need the WinPE component or the network to fetch it.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/os_entry.h"
#include "ui/xml_wnd.h"
#include "usbmaker/usb_maker_page.h"

class UsbMakerController;

class CSelectBox : public CXMLWnd {
 public:
  // How far the download task of an image's URL has come (0 to 1), when there is one.
  using DownloadProgress = std::function<std::optional<double>(const std::wstring& url)>;

  // `chosen` is emptied now and filled with the selected entries on "btnSelAndMake".
  CSelectBox(UsbMakerController& controller, const std::vector<std::unique_ptr<OsEntry>>& catalogue,
             ImageChoice& chosen, DownloadProgress downloadProgress = {});

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

  int result = 0;  // 2 make without images, 3 make with the chosen ones, 1 closed

 protected:
  DuiLib::LRESULT OnClose(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam, bool& handled) override;

 private:
  std::wstring RowText(const OsEntry& entry) const;
  void ShowSelection();
  // The WinPE component is present or the catalogue service answers; tells the user when
  // neither.
  bool CanFetch(bool everythingDownloaded);
  void Finish(int answer);

  UsbMakerController& controller;
  const std::vector<std::unique_ptr<OsEntry>>& catalogue;
  ImageChoice& chosen;
  DownloadProgress downloadProgress_;
};
