#pragma once
// The USB maker page of the main window: the disk list "listUDisk" with a row per USB disk,
// the page's buttons handed to the controller, and the dialogs the controller opens over
// the main window. Also the main window's hook for the make's progress messages.

#include <functional>

#include "reinstall/point_poster.h"
#include "skin/list.h"
#include "skin/paint_manager.h"
#include "ui/select_box.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_maker_page.h"

class CUsbMakerPage : public IUsbMakerPage, public DuiLib::INotifyUI {
 public:
  // `manager` is the main window's, which shows the page; the page listens to its
  // notifications while it lives.
  CUsbMakerPage(UsbMakerController& controller, DuiLib::CPaintManagerUI& manager, DuiLib::HWND mainWindow,
                PointPoster postPoint = PostToReporter);
  ~CUsbMakerPage() override;

  // Page set-up: the controller draws its disks into the list and selects the first.
  void SetUp();
  // The main window's message hook: the make's stage, and the make's messages that reach
  // the main window passed on to the make dialog while it is open.
  void OnMainWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // The selection of a row and the page's buttons.
  void Notify(DuiLib::TNotifyUI& msg) override;

  // The download window, which the frame supplies; without it the downloads are
  // declined and the make does not go on.
  std::function<bool(const ImageChoice&)> showDownloadBox;
  // The boot-key lookup window, which the frame supplies.
  std::function<void()> showHotKeyBox;
  // The download tasks' progress for the image choice's rows; optional.
  CSelectBox::DownloadProgress downloadProgress;

  void ShowSelectDiskFirst() override;
  void ShowRefusal(const std::wstring& text) override;
  bool ConfirmMake(const std::wstring& text) override;
  void ConfirmRestore(wchar_t letter, const std::wstring& text) override;
  void ConfirmNtfs(wchar_t letter, const std::wstring& text) override;
  bool ChooseImages(ImageChoice& images) override;
  bool ShowDownloadBox(const ImageChoice& images) override;
  int ShowMakeBox() override;
  void ShowHotKeyBox() override;
  bool IsMainWindowEnabled() override;
  void AppendRow(VolumeInfo* disk) override;
  void RemoveRow(VolumeInfo* disk) override;
  void SelectRow(VolumeInfo* disk) override;
  void SetListBackground(const std::wstring& image) override;

 private:
  // The row of `option` is the selected disk now, every other row is not.
  void ApplySelection(DuiLib::CControlUI* option);
  void RunFormatJob(const std::wstring& text, bool restore, bool convertNtfs);

  UsbMakerController& controller;
  DuiLib::CPaintManagerUI& manager_;
  DuiLib::HWND mainWindow_;
  PointPoster postPoint_;
  DuiLib::CListUI* list_ = nullptr;
};
