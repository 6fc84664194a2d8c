#pragma once
// The state behind the USB maker page: the attached USB disks, the one the user selected,
// and what each button of the page does before a worker takes over. Runs on the UI thread.
//
// The image downloads of a make (CMultiDownThread) need the reinstall controller, which
// lies above this library: the download window that shows them owns that worker, marks
// its rows complete (IDownloadRows) and hands the images on through makeQueue().

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/message_target.h"
#include "app/os_entry.h"
#include "usbmaker/format_thread.h"
#include "usbmaker/image_queue.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/usb_maker_page.h"
#include "usbmaker/volume_info.h"

// The make flow's tracking points; the owner turns them into FixedMakeUsbGho (with the
// chosen images' names), FixedMakeUsbOnly, and the make worker's FixedMakeUsbStart,
// FixedMakeUsbResult and FixedMakeUsbCopyResult (with `success`), and hands them to the
// reporter.
struct UsbMakePoint {
  enum class Kind { MakeWithImages, MakeOnly, MakeStart, MakeResult, CopyResult };
  Kind kind = Kind::MakeOnly;
  std::vector<std::wstring> imageNames;  // in the order chosen
  bool success = false;                  // MakeResult, CopyResult
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

class CUMakeThread;

class UsbMakerController {
 public:
  UsbMakerController(const std::vector<std::unique_ptr<OsEntry>>& catalogue, PeEntry& peComponent,
                     UsbMakerHooks hooks);
  // Deletes the make worker first: it reports to this controller.
  ~UsbMakerController();

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
  std::atomic<bool> finished{false};
  std::atomic<bool> succeeded{false};
  bool makeOnly = false;
  std::atomic<int32_t> stage{0};  // 0 none, 1 old partitions deleted, 2 partitioned, 3 boot files written, 4 copying

  // The make worker (usbmaker/make_thread.h). Creates and starts it on the selected disk,
  // reporting to mainWindow, unless one exists (false then); clears stage, finished and
  // succeeded. Whoever hosts the make (the make dialog, the download window) ends it with
  // EndMake when it closes.
  bool StartMake();
  void EndMake();
  // Ends a make the user leaves: the worker goes, no further tool starts, and the tools
  // still running are ended.
  void AbandonMake();
  // The make worker as the image downloads see it from their thread: an image is taken
  // once the worker exists, and refused before, to be offered again.
  IImageQueue& makeQueue() { return makeQueue_; }
  // The bytes the make worker has copied to the disk; 0 without a worker.
  uint64_t CopiedSoFar() const;
  // The page's message hook on the main window: the make's progress stage.
  void TrackMakeStage(uint32_t message, uintptr_t wParam);
  std::unique_ptr<CUMakeThread> makeThread;  // replaced only by StartMake and EndMake
  IMessageTarget* mainWindow = nullptr;  // not owned; set with the page
  // The make dialog while it is open (it sets and clears it); the make's end goes there.
  std::atomic<IMessageTarget*> makeDialog{nullptr};

  // A tracking point for the owner to report; from any thread.
  void PostPoint(UsbMakePoint point) const;

  // The format job (restore and/or NTFS conversion) on the selected disk; false while one
  // runs.
  bool StartFormat(bool restore, bool convertNtfs);
  // The open format dialog, set and cleared by the page; the format worker reports to it.
  // The page deletes formatThread before it clears this and destroys the dialog.
  std::atomic<IMessageTarget*> formatDialog{nullptr};
  std::unique_ptr<CFormatThread> formatThread;

 private:
  class MakeQueue : public IImageQueue {
   public:
    explicit MakeQueue(UsbMakerController& owner) : owner_(owner) {}
    bool Enqueue(const std::wstring& path) override;
    void EnqueueEnd() override;

   private:
    UsbMakerController& owner_;
  };

  // The selected disk's first letter after the refusal check; 0 (after telling the user)
  // when there is no disk or it is refused.
  wchar_t SelectedLetterForJob();
  void Restore();
  void ConvertToNtfs();
  void Simulate();
  void RemoveDisk(size_t index);
  bool PeComponentPresent() const;
  // The WinPE component as an entry of the download list.
  OsEntry* PeDownloadEntry();

  UsbMakerHooks hooks_;
  // Held while makeThread is replaced on the UI thread and while the downloads' thread
  // hands it an image.
  std::mutex makeThreadLock_;
  MakeQueue makeQueue_{*this};
  OsEntry peDownload_;
};
