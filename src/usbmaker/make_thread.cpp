#include "usbmaker/make_thread.h"

#include <chrono>

#include "app/global_param.h"
#include "app/log.h"
#include "app/file_size.h"
#include "app/pe_component.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "usbmaker/make_usb_disk.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

constexpr std::chrono::milliseconds kStopWait{300};

std::wstring FileNamePart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

// The window the worker reports to at the moment of each message, so that the make
// dialog's swap takes effect for the steps already under way.
class CUMakeThread::CurrentWindow : public IMessageTarget {
 public:
  explicit CurrentWindow(Guarded<IMessageTarget*>& window) : window_(window) {}
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (IMessageTarget* target = window_.Get()) target->Post(message, wParam, lParam);
  }
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    IMessageTarget* target = window_.Get();
    return target ? target->Send(message, wParam, lParam) : 0;
  }

 private:
  Guarded<IMessageTarget*>& window_;
};

CUMakeThread::CUMakeThread(UsbMakerController& controller, IMessageTarget* window)
    : window(window),
      controller(controller),
      disk(controller.selectedDisk ? std::optional<VolumeInfo>(*controller.selectedDisk) : std::nullopt),
      identity(controller.SelectedDiskIdentity()),
      peFileName(controller.peComponent.fileName),
      makeOnly(controller.makeOnly) {}

CUMakeThread::~CUMakeThread() {
  // The tool running now ends by itself (or by the page's kill list); none starts after it.
  if (IsRunning()) toolAbort = true;
  RequestStop();
  {
    std::lock_guard lock(copierLock);
    if (copier) copier->Cancel();
  }
  StopThread(kStopWait);
  // Ended outside the lock: its progress report, which may still come, takes the lock.
  std::unique_ptr<FileCopier> last;
  {
    std::lock_guard lock(copierLock);
    last = std::move(copier);
  }
}

bool CUMakeThread::Enqueue(const std::wstring& path) {
  const std::optional<int64_t> size = FileSizeOf(path);  // a folder has none
  std::lock_guard lock(queueLock);
  copyQueue.push_back(path);
  queueEvent.Set();
  if (size) queuedBytes += static_cast<uint64_t>(*size);
  return true;
}

void CUMakeThread::EnqueueEnd() {
  std::lock_guard lock(queueLock);
  copyQueue.push_back(L"");
  queueEvent.Set();
}

std::wstring CUMakeThread::TakeNext() {
  std::lock_guard lock(queueLock);
  if (copyQueue.empty()) return L"";
  std::wstring path = std::move(copyQueue.front());
  copyQueue.pop_front();
  return path;
}

size_t CUMakeThread::QueueLength() {
  std::lock_guard lock(queueLock);
  return copyQueue.size();
}

uint64_t CUMakeThread::CopiedSoFar() const {
  std::lock_guard lock(copierLock);
  return copiedBytes + (copier ? copier->BytesDone() : 0);
}

void CUMakeThread::Run() {
  if (!disk) return;
  busy = true;
  if (makeOnly) EnqueueEnd();
  CurrentWindow current(window);
  const std::wstring pePath = CGlobalParam::Instance()->peDir + peFileName;
  controller.PostPoint({UsbMakePoint::Kind::MakeStart, {}, false});

  if (const std::wstring label = LocalToWide("QXPR-10PE-1.0"); !label.empty()) SetPeLabel(label);
  SetPeComponentPaths(pePath);
  const int result = DiskMayBeMade() ? MakeUsbDisk(disk->root[0], &current) : 0;
  controller.PostPoint({UsbMakePoint::Kind::MakeResult, {}, result == 1});

  const bool copyPhaseEnded = result != 1 || CopyQueuedFiles();
  busy = false;
  if (!copyPhaseEnded) return;  // stopped: the make is being abandoned
  controller.finished = true;
  controller.succeeded = result == 1;
  if (IMessageTarget* dialog = controller.makeDialog) dialog->Send(kMsgMakeFinished, result == 1 ? 1 : 0, 0);
}

bool CUMakeThread::DiskMayBeMade() const {
  if (disk->root.empty() || !identity) return false;
  const std::wstring why = UsbJobRefusal(*disk, *identity);
  if (!why.empty()) LogLine(L"make refused: " + why);
  return why.empty();
}

bool CUMakeThread::CopyQueuedFiles() {
  CurrentWindow current(window);
  bool totalSent = false;
  for (;;) {
    if (WaitOrStop(queueEvent, std::nullopt) != WaitResult::Set) return false;
    queueEvent.Reset();
    while (QueueLength() > 0) {
      const std::wstring path = TakeNext();
      if (path.empty()) return true;
      if (!totalSent) {
        current.Send(kMsgCopyTotal, PageUnits(queuedBytes), 0);
        totalSent = true;
      }
      const std::optional<bool> copied = CopyToDisk(path);
      if (!copied) return false;
      controller.PostPoint({UsbMakePoint::Kind::CopyResult, {}, *copied});
    }
  }
}

std::optional<bool> CUMakeThread::CopyToDisk(const std::wstring& source) {
  // The root of the disk's first letter: a disk with several volumes lists them all.
  currentFile = std::wstring(1, disk->root[0]) + L":\\" + FileNamePart(source);
  CurrentWindow current(window);
  current.Send(kMsgCopyingFile, reinterpret_cast<uintptr_t>(currentFile.c_str()), 0);
  FileCopier* running = nullptr;
  {
    std::lock_guard lock(copierLock);
    if (StopRequested()) return std::nullopt;
    copier = std::make_unique<FileCopier>(source, currentFile, [this] {
      CurrentWindow progressWindow(window);
      progressWindow.Post(kMsgCopyProgress, PageUnits(CopiedSoFar()), 0);
    });
    running = copier.get();
    running->Start();
  }
  // Only this thread replaces the copier, so `running` stays valid here.
  const WaitResult waited = WaitOrStop(running->Finished(), std::nullopt);
  if (waited != WaitResult::Set) return std::nullopt;
  // The finished copy's bytes move into copiedBytes and leave with the copier, so that
  // CopiedSoFar never counts them twice.
  std::lock_guard lock(copierLock);
  copiedBytes += running->FileSize();
  const bool copied = running->Result();
  copier.reset();
  return copied;
}
