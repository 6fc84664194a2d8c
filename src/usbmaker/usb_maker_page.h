#pragma once
// What the USB maker controller asks of the maker page: its dialogs, its message boxes and
// the rows of its disk list. The skinned page implements it; tests record the calls.

#include <string>
#include <vector>

#include "app/os_entry.h"
#include "usbmaker/volume_info.h"

// The images of one make, in the order they are fetched. Catalogue entries are not owned;
// the WinPE component's entry is the controller's.
using ImageChoice = std::vector<OsEntry*>;

class IUsbMakerPage {
 public:
  virtual ~IUsbMakerPage() = default;

  // "请选择相应的U盘设备后重试！"
  virtual void ShowSelectDiskFirst() = 0;
  // Why the selected disk may not be worked on; nothing else happens.
  virtual void ShowRefusal(const std::wstring& text) = 0;
  // The format dialog asking to make the disk; posts FixedMakeUsb with the answer.
  virtual bool ConfirmMake(const std::wstring& text) = 0;
  // The format dialogs for a restore and for an NTFS conversion of the disk of `letter`;
  // each starts its job itself when the user confirms.
  virtual void ConfirmRestore(wchar_t letter, const std::wstring& text) = 0;
  virtual void ConfirmNtfs(wchar_t letter, const std::wstring& text) = 0;
  // The image choice dialog: false when cancelled; true with `images` filled, or emptied
  // for a make without images.
  virtual bool ChooseImages(ImageChoice& images) = 0;
  // The download window for the images; whether it did not end cancelled.
  virtual bool ShowDownloadBox(const ImageChoice& images) = 0;
  // The make dialog; its result.
  virtual int ShowMakeBox() = 0;
  // The boot-key lookup window.
  virtual void ShowHotKeyBox() = 0;

  virtual bool IsMainWindowEnabled() = 0;
  // Rows of the disk list, found by the disk they show. SelectRow selects the row's option
  // with notification, so that the page's selection reaches the controller.
  virtual void AppendRow(VolumeInfo* disk) = 0;
  virtual void RemoveRow(VolumeInfo* disk) = 0;
  virtual void SelectRow(VolumeInfo* disk) = 0;
  // The list's background image; empty for none.
  virtual void SetListBackground(const std::wstring& image) = 0;
};
