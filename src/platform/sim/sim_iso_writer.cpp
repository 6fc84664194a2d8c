// The simulated ISO writer (iso.dll). Two command lines:
//   -silent -in IMAGE -f FILES   adds files to a boot image (iso_image_build.h)
//   -ini IMAGE -writeusb         opens the disk-image writing window for IMAGE
// The window, class "TfrmUSBWrite" titled "写入硬盘映像", holds in this order: the drive
// list (a TComboBox of "(X:) NAME" for each lettered volume of a USB disk, the first one
// selected), the hide list (a TComboBox, "无" selected), the write-method list (a
// TComboBox of six methods, "USB-HDD+" selected), the progress (a TStaticText "0.0%"), and
// the buttons "写入", "终止" (disabled while no write runs) and "返回". "写入" asks in a
// "#32770" box titled "提示" (a Static text and the buttons "是(&Y)", "否(&N)"); "是",
// with a drive selected, enables "终止" and writes the image to the selected drive in ten steps, the progress going up to
// "100.0%", then disables "终止" again and records the write in state/isowriter.jsonl.
// A complete write leaves the drive's disk as the image makes it: one active, empty FAT32
// partition from sector 63 on, with the drive's letter.
// The application ends when its window is closed.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/sim/command_line_split.h"
#include "platform/sim/disk_layouts.h"
#include "platform/sim/iso_image_build.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_window_applications.h"
#include "platform/sim/sim_windows.h"
#include "platform/sim/state_files.h"
#include "platform/sim/windows_paths.h"

namespace sim {
namespace {

using platform::WindowHandle;

constexpr int kWriteSteps = 10;
constexpr std::chrono::milliseconds kWriteStep{20};

void Say(const ApplicationRun& run, const std::string& text) {
  if (run.out < 0) return;
  [[maybe_unused]] ssize_t written = ::write(run.out, text.data(), text.size());
}

// The drive list: each lettered volume of a USB disk, unless the machine's fault leaves
// its letter out.
std::vector<std::wstring> DriveItems(const MachineConfig& config) {
  std::vector<std::wstring> items;
  for (const Disk& disk : config.disks) {
    if (disk.busType != platform::kBusUsb) continue;
    for (const Partition& partition : disk.partitions) {
      if (partition.letter == 0 || config.faults.isoWriterUnlistedLetters.count(partition.letter) != 0) continue;
      items.push_back(L"(" + std::wstring(1, partition.letter) + L":) " + platform::Utf8ToWide(disk.friendlyName));
    }
  }
  return items;
}

// The disk image starts its one partition at sector 63, as the boot code it carries needs.
void LayOutWrittenDisk(const ApplicationRun& run, wchar_t letter) {
  constexpr int64_t kImageStart = 63 * 512;
  auto volume = FindVolume(run.machine.config(), letter);
  if (!volume) return;
  try {
    ChangeDiskLayout(run.machine, volume->disk->number, [&](Disk& disk) {
      Partition written;
      written.type = "basic";
      written.active = true;
      written.offsetBytes = kImageStart;
      written.sizeBytes = disk.sizeBytes - kImageStart;
      written.freeBytes = written.sizeBytes;
      written.fileSystem = L"FAT32";
      disk.style = "mbr";
      disk.letter = letter;
      disk.partitions = {written};
      disk.bootArea.reset();  // the image overwrote the sectors before the partition
      RenumberTable(disk);
      return true;
    });
  } catch (const DiskLayoutError& e) {
    Say(run, std::string("iso: ") + e.what() + "\r\n");
  }
}

// What the handler of the windows (on the threads of the messages) and the writing thread
// share.
struct Writer {
  std::atomic<WindowHandle> window{0}, driveList{0}, methodList{0}, hideList{0}, progress{0}, writeButton{0},
      stopButton{0}, question{0}, yesButton{0};
  std::atomic<bool> startAsked{false}, stopAsked{false}, writing{false};
};

int OpenWriter(const ApplicationRun& run, const std::wstring& image) {
  SimWindows& windows = run.machine.simWindows();
  Writer w;
  auto handler = [&windows, &w](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.message != platform::kBmClick) return std::nullopt;
    if (m.window == w.writeButton && !w.writing && w.question == 0) {
      w.question = windows.Create(0, L"#32770", L"提示", [&windows, &w](const WindowMessage& q) -> std::optional<intptr_t> {
        if (q.message != platform::kBmClick && q.message != platform::kWmClose) return std::nullopt;
        // The write starts with the answer: "终止" can be pressed from now on.
        if (q.message == platform::kBmClick && q.window == w.yesButton && windows.Selection(w.driveList) >= 0) {
          w.writing = true;
          windows.SetStyle(w.stopButton, 0);
          w.startAsked = true;
        }
        windows.Destroy(w.question.exchange(0));
        return 0;
      });
      windows.Create(w.question, L"Static", L"写入会清除所选驱动器上的全部数据，继续吗？");
      w.yesButton = windows.Create(w.question, L"Button", L"是(&Y)");
      windows.Create(w.question, L"Button", L"否(&N)");
    } else if (m.window == w.stopButton && w.writing) {
      w.stopAsked = true;
    }
    return 0;
  };
  // Untitled until its controls are all there: a driver looking for it by title never
  // meets it half built.
  w.window = windows.Create(0, L"TfrmUSBWrite", L"", handler);
  if (w.window == 0) return 1;
  w.driveList = windows.Create(w.window, L"TComboBox", L"");
  const std::vector<std::wstring> drives = DriveItems(run.machine.config());
  windows.SetItems(w.driveList, drives, drives.empty() ? -1 : 0);
  w.hideList = windows.Create(w.window, L"TComboBox", L"");
  windows.SetItems(w.hideList, {L"无", L"隐藏", L"高端隐藏"}, 0);
  w.methodList = windows.Create(w.window, L"TComboBox", L"");
  windows.SetItems(w.methodList, {L"USB-HDD", L"USB-ZIP", L"USB-HDD+", L"USB-ZIP+", L"USB-HDD+ v2", L"USB-ZIP+ v2"}, 2);
  w.progress = windows.Create(w.window, L"TStaticText", L"0.0%");
  w.writeButton = windows.Create(w.window, L"TButton", L"写入");
  w.stopButton = windows.Create(w.window, L"TButton", L"终止");
  windows.SetStyle(w.stopButton, platform::kWsDisabled);
  windows.Create(w.window, L"TButton", L"返回");
  windows.SetText(w.window, L"写入硬盘映像");

  auto open = [&] { return windows.IsWindow(w.window); };
  while (windows.WaitUntil([&] { return w.startAsked || !open(); }), open()) {
    w.startAsked = false;
    const intptr_t drive = windows.Selection(w.driveList);
    const std::wstring driveItem = *windows.GetComboItemText(w.driveList, static_cast<size_t>(drive));
    int step = 0;
    while (step < kWriteSteps && !windows.WaitUntil([&] { return w.stopAsked || !open(); }, kWriteStep)) {
      ++step;
      wchar_t text[16];
      std::swprintf(text, 16, L"%.1f%%", 100.0 * step / kWriteSteps);
      windows.SetText(w.progress, text);
    }
    w.writing = false;
    if (!open()) break;
    Json::Value record;
    record["command"] = "write";
    record["image"] = platform::WideToUtf8(image);
    record["drive"] = platform::WideToUtf8(driveItem.substr(1, 1));
    record["method"] = platform::WideToUtf8(windows.GetWindowText(w.methodList, 200));
    record["hide"] = platform::WideToUtf8(windows.GetWindowText(w.hideList, 200));
    record["complete"] = step == kWriteSteps;
    w.stopAsked = false;
    AppendStateLine(run.machine.StateFile("isowriter.jsonl"), record);
    if (step == kWriteSteps) LayOutWrittenDisk(run, driveItem[1]);
    // Disabled once the write is recorded: a driver that closes the writer on seeing it
    // finds the disk written.
    windows.SetStyle(w.stopButton, platform::kWsDisabled);
  }
  windows.Destroy(w.question.exchange(0));  // its handler uses what goes with this run
  return 0;
}

}  // namespace

int RunIsoWriter(const ApplicationRun& run) {
  const std::vector<std::wstring> arguments = SplitCommandLine(run.commandLine);
  auto argument = [&](const wchar_t* option) -> std::optional<std::wstring> {
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
      if (FoldCase(arguments[i]) == option) return arguments[i + 1];
    }
    return std::nullopt;
  };
  if (arguments.size() == 3 && FoldCase(arguments[0]) == L"-ini" && FoldCase(arguments[2]) == L"-writeusb") {
    const std::wstring image = FullPath(run.folder, arguments[1]);
    if (!run.machine.files().FileExists(image)) {
      Say(run, "iso: " + platform::WideToUtf8(image) + ": no such image\r\n");
      return 1;
    }
    return OpenWriter(run, image);
  }
  if (arguments.size() == 5 && FoldCase(arguments[0]) == L"-silent" && argument(L"-in") && argument(L"-f")) {
    const std::string problem = AddFilesToIsoImage(run.machine, run.folder, *argument(L"-in"), *argument(L"-f"));
    Json::Value record;
    record["command"] = "build";
    record["image"] = platform::WideToUtf8(FullPath(run.folder, *argument(L"-in")));
    record["files"] = platform::WideToUtf8(*argument(L"-f"));
    record["complete"] = problem.empty();
    if (!problem.empty()) record["error"] = problem;
    AppendStateLine(run.machine.StateFile("isowriter.jsonl"), record);
    if (problem.empty()) return 0;
    Say(run, "iso: " + problem + "\r\n");
    return 1;
  }
  Say(run, "iso: unknown command line:" + platform::WideToUtf8(run.commandLine) + "\r\n");
  return 1;
}

}  // namespace sim
