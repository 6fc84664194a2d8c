#include "usbmaker/format_thread.h"

#include "app/log.h"
#include "usbmaker/convert_to_ntfs.h"
#include "usbmaker/restore_usb_disk.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

CFormatThread::CFormatThread(bool restore, bool convertNtfs, UsbMakerController& controller)
    : restore(restore), convertNtfs(convertNtfs), controller(&controller), identity_(controller.SelectedDiskIdentity()) {
  if (controller.selectedDisk != nullptr) disk_ = *controller.selectedDisk;
}

CFormatThread::~CFormatThread() {
  if (IsRunning()) {
    RequestStop();
    toolAbort = true;
  }
  StopThread(kStopWait);
}

void CFormatThread::Run() {
  // A flag left by an earlier job that was abandoned, or by a pulled disk, is not this
  // job's.
  toolAbort = false;
  if (!disk_ || disk_->root.empty()) {
    Report(false, 0);
    return;
  }
  const intptr_t failure = restore ? 1 : 2;
  // Before any tool: never the disk of the running Windows or of the program, and only
  // the device the user chose, not one plugged in under its letter since.
  if (const std::wstring why = UsbJobRefusal(*disk_, *identity_); !why.empty()) {
    LogLine(L"format refused: " + why);
    Report(false, failure);
    return;
  }
  const wchar_t letter = disk_->root[0];
  if (restore && (StopRequested() || !RestoreUsbDisk(letter))) {
    Report(false, 1);
    return;
  }
  if (convertNtfs) {
    const bool ok = !StopRequested() && ConvertToNtfs(letter);
    Report(ok, ok ? 0 : 2);
  } else {
    Report(true, 0);
  }
}

void CFormatThread::Report(bool ok, intptr_t failure) {
  if (IMessageTarget* dialog = controller->formatDialog.load()) dialog->Post(kMsgFormatResult, ok ? 1 : 0, failure);
}
