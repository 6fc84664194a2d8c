#pragma once
// The format worker: restores the selected USB disk to one plain NTFS partition and/or
// converts its volume to NTFS, then reports 3025 to the format dialog when one is open.

#include <chrono>
#include <optional>

#include "app/thread_base.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/volume_info.h"

class UsbMakerController;

class CFormatThread : public CThreadBase {
 public:
  static constexpr std::chrono::milliseconds kStopWait{1000};

  // Takes the controller's selected disk as it is now, on the UI thread: the job works on
  // that disk and no other, whatever the selection does meanwhile.
  CFormatThread(bool restore, bool convertNtfs, UsbMakerController& controller);
  // Abandoning the job: no further tool starts (toolAbort), the one running ends when
  // the page kills the tools.
  ~CFormatThread() override;

  void Run() override;

  const bool restore;
  const bool convertNtfs;
  UsbMakerController* const controller;  // not owned

 private:
  // 3025: wParam 1 success; lParam 0, 1 the restore failed, 2 the conversion failed.
  void Report(bool ok, intptr_t failure);

  std::optional<VolumeInfo> disk_;
  std::optional<UsbDiskIdentity> identity_;
};
