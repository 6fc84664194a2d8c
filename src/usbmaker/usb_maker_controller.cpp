#include "usbmaker/usb_maker_controller.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/disk_inventory.h"
#include "usbmaker/make_thread.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/usb_messages.h"

namespace {

wchar_t FirstLetter(const VolumeInfo& disk) { return disk.root.empty() ? L'\0' : disk.root[0]; }

// A downloaded image whose file has gone since is fetched again.
void ForgetVanishedDownload(OsEntry& entry) {
  if (entry.state != 3 || platform::Current().files().FileExists(entry.localPath)) return;
  entry.state = entry.recommended ? 1 : 0;
  entry.localPath.clear();
}

}  // namespace

UsbMakerController::UsbMakerController(const std::vector<std::unique_ptr<OsEntry>>& catalogue, PeEntry& peComponent,
                                       UsbMakerHooks hooks)
    : catalogue(catalogue), peComponent(peComponent), hooks_(std::move(hooks)) {}

UsbMakerController::~UsbMakerController() { EndMake(); }

void UsbMakerController::SetUpPage() {
  RefreshUsbList();
  if (disks.empty()) return;
  page->SelectRow(disks.front().get());
  selectedDisk = disks.front().get();
}

void UsbMakerController::RefreshUsbList() {
  VolumeList found;
  ListUsbDisks(found);
  auto sameLetter = [](const VolumeInfo& a, const VolumeInfo& b) { return FirstLetter(a) == FirstLetter(b); };

  // Every refresh looks for removals, so that a stick swapped for another between two
  // events is not taken for the one the user selected.
  for (size_t i = disks.size(); i-- > 0;) {
    const VolumeInfo& known = *disks[i];
    auto now = std::find_if(found.begin(), found.end(), [&](const auto& d) { return sameLetter(*d, known); });
    if (now == found.end() || IdentityOf(**now) != IdentityOf(known)) RemoveDisk(i);
  }
  for (auto& disk : found) {
    auto known = std::find_if(disks.begin(), disks.end(), [&](const auto& d) { return sameLetter(*d, *disk); });
    if (known != disks.end()) continue;
    disks.push_back(std::move(disk));
    page->AppendRow(disks.back().get());
  }

  if (disks.empty()) {
    page->SetListBackground(kNoUsbBackground);
  } else if (selectedDisk == nullptr) {
    page->SetListBackground(L"");
    if (page->IsMainWindowEnabled()) page->SelectRow(disks.front().get());
  }
}

void UsbMakerController::RemoveDisk(size_t index) {
  VolumeInfo* gone = disks[index].get();
  if (gone == selectedDisk) {
    selectedDisk = nullptr;
    toolAbort = true;
    if (hooks_.onSelectedDiskGone) hooks_.onSelectedDiskGone();
  }
  page->RemoveRow(gone);
  disks.erase(disks.begin() + static_cast<std::ptrdiff_t>(index));
}

void UsbMakerController::Select(VolumeInfo* disk) {
  auto listed = std::find_if(disks.begin(), disks.end(), [&](const auto& d) { return d.get() == disk; });
  selectedDisk = listed == disks.end() ? nullptr : disk;
}

std::optional<UsbDiskIdentity> UsbMakerController::SelectedDiskIdentity() const {
  if (selectedDisk == nullptr) return std::nullopt;
  return IdentityOf(*selectedDisk);
}

bool UsbMakerController::OnClick(const std::wstring& controlName) {
  if (controlName == L"btnMakeUDisk") {
    StartMakeFlow();
  } else if (controlName == L"btnInit") {
    Restore();
  } else if (controlName == L"btnFormat") {
    ConvertToNtfs();
  } else if (controlName == L"btnSimulat") {
    Simulate();
  } else if (controlName == L"btnKeySearch") {
    page->ShowHotKeyBox();
  } else {
    return false;
  }
  return true;
}

wchar_t UsbMakerController::SelectedLetterForJob() {
  if (selectedDisk == nullptr) {
    page->ShowSelectDiskFirst();
    return L'\0';
  }
  if (std::wstring why = UsbDiskRefusal(*selectedDisk); !why.empty()) {
    page->ShowRefusal(why);
    return L'\0';
  }
  return FirstLetter(*selectedDisk);
}

void UsbMakerController::Restore() {
  if (wchar_t letter = SelectedLetterForJob()) {
    page->ConfirmRestore(letter, UsbConfirmationText(UsbDiskJob::Restore, *selectedDisk));
  }
}

void UsbMakerController::ConvertToNtfs() {
  if (wchar_t letter = SelectedLetterForJob()) {
    page->ConfirmNtfs(letter, UsbConfirmationText(UsbDiskJob::ConvertNtfs, *selectedDisk));
  }
}

void UsbMakerController::Simulate() {
  // The emulator opens the disk in snapshot mode and writes nothing: no refusal applies.
  if (selectedDisk == nullptr) {
    page->ShowSelectDiskFirst();
    return;
  }
  if (hooks_.simulateBoot) hooks_.simulateBoot(FirstLetter(*selectedDisk));
}

bool UsbMakerController::StartMakeFlow() {
  if (SelectedLetterForJob() == L'\0') return false;
  if (!page->ConfirmMake(UsbConfirmationText(UsbDiskJob::Make, *selectedDisk))) return false;
  finished = false;
  succeeded = false;
  ImageChoice images;
  if (!page->ChooseImages(images)) return false;
  images.erase(std::remove(images.begin(), images.end(), nullptr), images.end());

  if (!images.empty()) {
    UsbMakePoint point{UsbMakePoint::Kind::MakeWithImages, {}};
    for (const OsEntry* entry : images) point.imageNames.push_back(entry->name);
    PostPoint(std::move(point));
    makeOnly = false;
    for (OsEntry* entry : images) ForgetVanishedDownload(*entry);
    if (!PeComponentPresent()) images.insert(images.begin(), PeDownloadEntry());
  } else {
    PostPoint({UsbMakePoint::Kind::MakeOnly, {}, false});
    makeOnly = true;
    if (PeComponentPresent()) {
      page->ShowMakeBox();
      return true;
    }
    images.push_back(PeDownloadEntry());
  }
  const bool downloaded = page->ShowDownloadBox(images);
  if (downloaded && PeComponentPresent()) page->ShowMakeBox();
  return downloaded;
}

bool UsbMakerController::PeComponentPresent() const {
  return hooks_.isPeComponentPresent && hooks_.isPeComponentPresent();
}

void UsbMakerController::PostPoint(UsbMakePoint point) const {
  if (hooks_.postPoint) hooks_.postPoint(point);
}

OsEntry* UsbMakerController::PeDownloadEntry() {
  peDownload_ = OsEntry{};
  peDownload_.name = L"PE组件";
  peDownload_.fileName = peComponent.fileName;
  peDownload_.size = peComponent.size;
  peDownload_.url = peComponent.url;
  return &peDownload_;
}

bool UsbMakerController::StartMake() {
  if (makeThread) return false;
  stage = 0;
  finished = false;
  succeeded = false;
  auto worker = std::make_unique<CUMakeThread>(*this, mainWindow);
  worker->Start();
  std::lock_guard lock(makeThreadLock_);
  makeThread = std::move(worker);
  return true;
}

void UsbMakerController::EndMake() {
  std::unique_ptr<CUMakeThread> ending;
  {
    std::lock_guard lock(makeThreadLock_);
    ending = std::move(makeThread);
  }
  // Stopped outside the lock: an image handed over meanwhile is simply refused.
  ending.reset();
}

void UsbMakerController::AbandonMake() {
  EndMake();
  toolAbort = true;
  KillTools();
}

bool UsbMakerController::MakeQueue::Enqueue(const std::wstring& path) {
  std::lock_guard lock(owner_.makeThreadLock_);
  return owner_.makeThread && owner_.makeThread->Enqueue(path);
}

void UsbMakerController::MakeQueue::EnqueueEnd() {
  std::lock_guard lock(owner_.makeThreadLock_);
  if (owner_.makeThread) owner_.makeThread->EnqueueEnd();
}

uint64_t UsbMakerController::CopiedSoFar() const { return makeThread ? makeThread->CopiedSoFar() : 0; }

void UsbMakerController::TrackMakeStage(uint32_t message, uintptr_t wParam) {
  if (message == kMsgCopyTotal) {
    stage = 4;
  } else if (wParam == 1 && message >= kMsgOldPartitionsDeleted && message <= kMsgBootFilesWritten) {
    stage = static_cast<int32_t>(message - kMsgOldPartitionsDeleted + 1);
  }
}

bool UsbMakerController::StartFormat(bool restore, bool convertNtfs) {
  if (formatThread && formatThread->IsRunning()) return false;
  formatThread.reset();
  formatThread = std::make_unique<CFormatThread>(restore, convertNtfs, *this);
  return formatThread->Start();
}
