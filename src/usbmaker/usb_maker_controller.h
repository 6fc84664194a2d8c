#pragma once
// The state behind the USB maker page: the attached USB disks, the one the user selected,
// and what each button of the page does before a worker takes over. Runs on the UI thread.
//
// Comes with the preparation pipeline, not here yet: the image-download and make workers
// (downloadThread, makeThread), StartMake, CopiedSoFar and MarkRowComplete.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/message_target.h"
#include "app/os_entry.h"
#include "usbmaker/format_thread.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/usb_maker_page.h"
#include "usbmaker/volume_info.h"

// The make flow's tracking points; the owner turns them into FixedMakeUsbGho (with the
// chosen images' names) and FixedMakeUsbOnly and hands them to the reporter.
struct UsbMakePoint {
  enum class Kind { MakeWithImages, MakeOnly };
  Kind kind = Kind::MakeOnly;
  std::vector<std::wstring> imageNames;  // in the order chosen
};
using UsbMakePointPoster = std::function<void(const UsbMakePoint&)>;

// What the owner (the reinstall controller) supplies.
struct UsbMakerHooks {
  std::function<bool()> isPeComponentPresent;
  // The selected disk was pulled: end the external tools still running on it.
  std::function<void()> onSelectedDiskGone;
  // The emulator test on the disk of a drive letter.
  std::function<bool(wchar_t)> simulateBoot;
  UsbMakePointPoster postPoint;
};

// The list background when no USB disk is attached.
inline constexpr wchar_t kNoUsbBackground[] = L"skin\\u\\NoneUsb-bg.png";

class UsbMakerController {
 public:
  UsbMakerController(const std::vector<std::unique_ptr<OsEntry>>& catalogue, PeEntry& peComponent,
                     UsbMakerHooks hooks);

  // Page set-up: fills the list and selects its first disk.
  void SetUpPage();
  // Re-reads the USB disks: rows of disks that left (or whose letter now belongs to
  // another device) are removed, rows of new disks appended.
  void RefreshUsbList();
  // The page's selection changed to this disk's row; null when no row is selected.
  void Select(VolumeInfo* disk);
  // A "click" of the maker page; false when the control is not one of the maker's buttons.
  bool OnClick(const std::wstring& controlName);
  // The make button: confirmation, choice of images, then the download window or the make
  // dialog. True when a dialog flow was completed.
  bool StartMakeFlow();

  // The selected disk as it was when the list was drawn, for the workers'
  // StillTheSameDisk check; null when none is selected.
  std::optional<UsbDiskIdentity> SelectedDiskIdentity() const;

  const std::vector<std::unique_ptr<OsEntry>>& catalogue;
  PeEntry& peComponent;
  IUsbMakerPage* page = nullptr;  // not owned; set before the page is set up

  std::vector<std::unique_ptr<VolumeInfo>> disks;  // one per listed USB disk, in row order
  VolumeInfo* selectedDisk = nullptr;              // an entry of disks, or null
  // Written by the make worker.
  bool finished = false;
  bool succeeded = false;
  bool makeOnly = false;
  int32_t stage = 0;  // 0 none, 1 old partitions deleted, 2 partitioned, 3 boot files written, 4 copying

  // The format job (restore and/or NTFS conversion) on the selected disk; false while one
  // runs.
  bool StartFormat(bool restore, bool convertNtfs);
  // The open format dialog, set and cleared by the page; the format worker reports to it.
  // The page deletes formatThread before it clears this and destroys the dialog.
  std::atomic<IMessageTarget*> formatDialog{nullptr};
  std::unique_ptr<CFormatThread> formatThread;

 private:
  // The selected disk's first letter after the refusal check; 0 (after telling the user)
  // when there is no disk or it is refused.
  wchar_t SelectedLetterForJob();
  void Restore();
  void ConvertToNtfs();
  void Simulate();
  void RemoveDisk(size_t index);
  bool PeComponentPresent() const;
  void Post(UsbMakePoint point) const;
  // The WinPE component as an entry of the download list.
  OsEntry* PeDownloadEntry();

  UsbMakerHooks hooks_;
  OsEntry peDownload_;
};
