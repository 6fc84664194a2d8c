#pragma once
// The maker page reduced to its disk list: it keeps the rows the controller draws and
// hands a row's selection back to the controller, and shows no dialog (each answers no).
// For what needs the list without the skinned page: tarnvikctl, and the base of its
// console page.

#include <vector>

#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_maker_page.h"

class UsbListPage : public IUsbMakerPage {
 public:
  void ShowSelectDiskFirst() override {}
  void ShowRefusal(const std::wstring&) override {}
  bool ConfirmMake(const std::wstring&) override { return false; }
  void ConfirmRestore(wchar_t, const std::wstring&) override {}
  void ConfirmNtfs(wchar_t, const std::wstring&) override {}
  bool ChooseImages(ImageChoice&) override { return false; }
  bool ShowDownloadBox(const ImageChoice&) override { return false; }
  int ShowMakeBox() override { return 0; }
  void ShowHotKeyBox() override {}
  bool IsMainWindowEnabled() override { return true; }
  void AppendRow(VolumeInfo* disk) override { rows.push_back(disk); }
  void RemoveRow(VolumeInfo* disk) override { std::erase(rows, disk); }
  void SelectRow(VolumeInfo* disk) override {
    if (controller != nullptr) controller->Select(disk);
  }
  void SetListBackground(const std::wstring&) override {}

  UsbMakerController* controller = nullptr;  // not owned; receives the selections
  std::vector<VolumeInfo*> rows;             // in the order drawn
};
