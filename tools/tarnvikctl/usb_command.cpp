// tarnvikctl usb: the USB maker's jobs on a simulated machine. "list" prints the USB disks
// as the maker page lists them and, for a disk the maker would refuse to touch, why;
// "make", "restore" and "ntfs" run the maker page's buttons on the disk of a drive letter
// through the program's controller and workers, with console dialogs; "simulate" starts
// the emulator test on the disk of a drive letter and waits for it.

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <functional>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/file_size.h"
#include "app/global_param.h"
#include "download/thunder.h"
#include "printed_check_page.h"
#include "reinstall/pe_presence.h"
#include "reinstall/reinstall_controller.h"
#include "stats/device_identity.h"
#include "usb_console_page.h"
#include "usb_console_window.h"
#include "usbmaker/disk_inventory.h"
#include "watched_platform.h"
#include "arguments.h"
#include "command.h"
#include "interrupts.h"
#include "open_machine.h"
#include "platform/codepage.h"
#include "platform/sim/process_log.h"
#include "platform/sim/sim_platform.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/usb_disk_texts.h"
#include "usbmaker/usb_list_page.h"
#include "usbmaker/usb_maker_controller.h"

namespace {

constexpr char kUsage[] =
    "usb --machine DIR list|make|restore|ntfs|simulate [LETTER] [--images FILE...] [--yes]\n"
    "        list: the USB disks as the maker page lists them, and why one would be refused;\n"
    "        make LETTER: makes the USB disk of LETTER a boot disk (the system check first, for\n"
    "        the catalogue's WinPE component, downloaded when it is not on the machine), then\n"
    "        copies the image files FILE (Windows paths on the machine) onto it, each stage\n"
    "        printed, the copy with a progress line;\n"
    "        restore LETTER: one NTFS partition over the whole disk, its hidden boot area\n"
    "        cleared; ntfs LETTER: converts the volume LETTER to NTFS, its files kept;\n"
    "        --yes answers the confirmation (which names the disk) with yes; without it, it is\n"
    "        asked on standard input. Exit 0 done, 1 the job failed or was refused (the reason\n"
    "        and the stage are printed), 2 bad input;\n"
    "        simulate LETTER: the emulator test (simu\\qemu.exe on the whole disk of LETTER, in\n"
    "        snapshot mode), waited for; exit 0 when the emulator ran, 1 when the letter is no\n"
    "        volume of a USB disk or the emulator failed (its message is printed)";

constexpr auto kEmulatorWait = std::chrono::seconds(30);

const std::atomic<bool>& interrupted = tarnvikctl::InterruptFlag();

struct UsbArguments {
  std::string folder;
  std::string action;
  wchar_t letter = 0;  // of every action but list
  std::vector<std::wstring> images;  // make's
  bool yes = false;
};

bool TakesLetter(const std::string& action) { return action != "list"; }

wchar_t DriveLetter(const std::string& text) {
  const bool letter = !text.empty() && std::isalpha(static_cast<unsigned char>(text[0])) &&
                      (text.size() == 1 || (text.size() == 2 && text[1] == ':'));
  if (!letter) throw tarnvikctl::UsageError("a drive letter such as E or E: is expected, not '" + text + "'");
  return static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(text[0])));
}

UsbArguments ReadArguments(const std::vector<std::string>& args) {
  UsbArguments read;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      read.folder = tarnvikctl::OptionValue(args, i);
    } else if (args[i] == "--yes") {
      read.yes = true;
    } else if (args[i] == "--images") {
      while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) read.images.push_back(platform::Utf8ToWide(args[++i]));
      if (read.images.empty()) throw tarnvikctl::UsageError("--images needs at least one image file");
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else if (read.action.empty()) {
      read.action = args[i];
    } else if (TakesLetter(read.action) && read.letter == 0) {
      read.letter = DriveLetter(args[i]);
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (read.folder.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  if (read.action.empty()) throw tarnvikctl::UsageError("an action is required: list, make, restore, ntfs or simulate");
  if (read.action != "list" && read.action != "make" && read.action != "restore" && read.action != "ntfs" &&
      read.action != "simulate") {
    throw tarnvikctl::UsageError("unknown action '" + read.action + "'");
  }
  if (TakesLetter(read.action) && read.letter == 0) throw tarnvikctl::UsageError(read.action + " needs the drive LETTER");
  if (!read.images.empty() && read.action != "make") throw tarnvikctl::UsageError("--images belongs to make");
  return read;
}

void PrintList() {
  const std::vector<std::unique_ptr<OsEntry>> noCatalogue;
  PeEntry noComponent;
  UsbMakerController controller(noCatalogue, noComponent, {});
  UsbListPage page;
  controller.page = &page;
  controller.RefreshUsbList();
  for (const VolumeInfo* disk : page.rows) {
    std::string line = platform::WideToUtf8(UsbDiskText(*disk) + UsbSizeText(disk->totalBytes));
    if (std::wstring why = UsbDiskRefusal(*disk); !why.empty()) line += "\trefused: " + platform::WideToUtf8(why);
    std::printf("%s\n", line.c_str());
  }
}

// What the emulator test started and how the emulator ended; the exit status.
int Simulate(sim::SimPlatform& machine, wchar_t letter) {
  const std::string drive = std::string(1, static_cast<char>(letter)) + ":";
  if (!SimulateBoot(letter)) {
    std::printf("failed: %s is no volume of a USB disk of this machine: nothing was started\n", drive.c_str());
    return 1;
  }
  const std::vector<sim::RunningProgram> started = sim::RunningPrograms(machine);
  if (started.empty()) {
    std::printf("failed: the emulator did not start (see state/processes.jsonl)\n");
    return 1;
  }
  const sim::RunningProgram emulator = started.back();
  std::printf("started: %s %s\n", platform::WideToUtf8(emulator.program).c_str(),
              platform::WideToUtf8(emulator.commandLine).c_str());
  const auto until = std::chrono::steady_clock::now() + kEmulatorWait;
  auto running = [&] {
    for (const sim::RunningProgram& p : sim::RunningPrograms(machine)) {
      if (p.id == emulator.id) return true;
    }
    return false;
  };
  while (running() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::optional<sim::ExitRecord> end = sim::ExitOf(machine, emulator.id);
  if (!end) {
    std::printf("failed: the emulator still runs after %lld s\n", static_cast<long long>(kEmulatorWait.count()));
    return 1;
  }
  if (end->out && !end->out->empty()) std::printf("emulator: %s", end->out->c_str());
  if (end->status != 0) {
    std::printf("failed: the emulator ended with status %d: %s", end->status, end->err.value_or("").c_str());
    return 1;
  }
  std::printf("the emulator booted %s's disk in snapshot mode: nothing was written to it\n", drive.c_str());
  return 0;
}

std::string AttributeLetters(uint32_t attributes) {
  std::string letters;
  if (attributes & platform::kFileAttributeHidden) letters += 'H';
  if (attributes & platform::kFileAttributeSystem) letters += 'S';
  if (attributes & platform::kFileAttributeReadOnly) letters += 'R';
  return letters.empty() ? "-" : letters;
}

// What a volume holds now: its label and file system, and its files two folders deep.
void PrintVolume(wchar_t letter) {
  platform::Files& files = platform::Current().files();
  const std::wstring root = std::wstring(1, letter) + L":\\";
  std::optional<platform::VolumeInformation> info = files.QueryVolumeInformation(root, 261, 261);
  std::printf("%s label \"%s\", %s\n", platform::WideToUtf8(root).c_str(),
              info ? platform::WideToUtf8(info->label).c_str() : "?",
              info ? platform::WideToUtf8(info->fileSystem).c_str() : "no file system");
  std::function<void(const std::wstring&, int)> list = [&](const std::wstring& folder, int depth) {
    for (const platform::DirectoryEntry& entry : files.ListDirectory(folder).value_or(std::vector<platform::DirectoryEntry>{})) {
      const std::wstring path = folder + entry.name;
      std::printf("  %-4s %12lld  %s%s\n", AttributeLetters(files.GetFileAttributes(path)).c_str(),
                  static_cast<long long>(entry.size), platform::WideToUtf8(path).c_str(), entry.isDirectory ? "\\" : "");
      if (entry.isDirectory && depth < 2) list(path + L"\\", depth + 1);
    }
  };
  list(root, 1);
}

// The disk of `letter` among the rows the page lists; null when it is no USB disk.
VolumeInfo* RowOf(const std::vector<VolumeInfo*>& rows, wchar_t letter) {
  for (VolumeInfo* disk : rows) {
    const std::wstring letters = disk->root.substr(0, disk->root.find(L':'));
    if (letters.find(letter) != std::wstring::npos) return disk;
  }
  return nullptr;
}

// The image files of --images as the image choice's entries: already downloaded.
std::optional<std::vector<std::unique_ptr<OsEntry>>> ImageEntries(const std::vector<std::wstring>& paths) {
  std::vector<std::unique_ptr<OsEntry>> entries;
  for (const std::wstring& path : paths) {
    std::optional<int64_t> size = FileSizeOf(path);
    if (!size) {
      std::fprintf(stderr, "tarnvikctl usb: --images %s: no such file on the machine\n", platform::WideToUtf8(path).c_str());
      return std::nullopt;
    }
    auto entry = std::make_unique<OsEntry>();
    entry->fileName = path.substr(path.find_last_of(L"\\/") + 1);
    entry->name = entry->fileName;
    entry->size = *size;
    entry->state = 3;
    entry->localPath = path;
    entries.push_back(std::move(entry));
  }
  return entries;
}

// make, restore or ntfs through the maker page's buttons.
int RunJob(const UsbArguments& read, tarnvikctl::WatchedPlatform& watched) {
  std::optional<std::vector<std::unique_ptr<OsEntry>>> images = ImageEntries(read.images);
  if (!images) return 2;
  std::vector<OsEntry*> chosen;
  for (const auto& entry : *images) chosen.push_back(entry.get());

  ReinstallController controller;
  controller.postPoint = [](std::unique_ptr<FixedPointBase>) {};
  tarnvikctl::PrintedCheckPage checkPage;
  controller.checkPage = &checkPage;
  if (read.action == "make") {
    // The check fetches the catalogue, which names the WinPE component the make puts on the disk.
    std::printf("== system check\n");
    controller.StartSystemCheck();
    if (!tarnvikctl::WaitForCheck(controller)) {
      std::printf("failed: the system check did not end within a minute\n");
      return 1;
    }
    std::printf("WinPE component: %s (%s)\n", controller.peEntry.fileName.empty() ? "unknown: the catalogue could not be read" : platform::WideToUtf8(controller.peEntry.fileName).c_str(),
                IsPeComponentPresent(controller.peEntry) ? "on the machine" : "to download");
  }

  tarnvikctl::ConsoleQuestions questions(read.yes);
  tarnvikctl::ConsoleUsbWindow window(isatty(STDOUT_FILENO) == 1);
  tarnvikctl::ConsoleUsbMakerPage page(controller, questions, window, chosen, interrupted);
  UsbMakerController& maker = controller.usbMaker;
  maker.page = &page;
  maker.mainWindow = &window;
  maker.SetUpPage();
  VolumeInfo* disk = RowOf(page.rows, read.letter);
  const std::string drive = std::string(1, static_cast<char>(read.letter)) + ":";
  if (disk == nullptr) {
    std::printf("failed: %s is no volume of a USB disk of this machine; nothing was done\n", drive.c_str());
    return 1;
  }
  maker.Select(disk);
  std::printf("== %s %s\n", read.action.c_str(), platform::WideToUtf8(UsbDiskText(*disk) + UsbSizeText(disk->totalBytes)).c_str());
  watched.Watch(true);
  if (read.action == "make") {
    maker.OnClick(L"btnMakeUDisk");
  } else {
    maker.OnClick(read.action == "restore" ? L"btnInit" : L"btnFormat");
  }
  watched.Watch(false);
  const bool done = page.failure.empty() && (read.action == "make" ? maker.succeeded.load() : page.formatSucceeded);
  if (!done) {
    std::printf("failed: %s\n", page.failure.empty() ? "the job did not end (see the log above)" : page.failure.c_str());
    return 1;
  }
  std::printf("done: %s %s\n== the disk afterwards\n", read.action.c_str(), drive.c_str());
  PrintList();
  VolumeList now;
  ListUsbDisks(now);
  for (const auto& usb : now) {
    if (usb->diskNumber == disk->diskNumber) PrintVolume(usb->root[0]);
  }
  return 0;
}

int RunUsb(const std::vector<std::string>& args) {
  const UsbArguments read = ReadArguments(args);
  std::unique_ptr<sim::SimPlatform> machine = tarnvikctl::OpenMachine(read.folder, "usb");
  if (!machine) return 2;
  tarnvikctl::WatchedPlatform watched(*machine);
  platform::ScopedPlatform installed(watched);
  // The download library finds the machine as a program on it does.
  setenv("TARNVIK_MACHINE", machine->folder().c_str(), 1);
  tarnvikctl::CatchInterrupts();
  CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  int result = 0;
  if (read.action == "list") {
    PrintList();
  } else if (read.action == "simulate") {
    result = Simulate(*machine, read.letter);
  } else {
    CThunder::Instance()->LoadTaskList();
    result = RunJob(read, watched);
    CThunder::Instance()->SaveTaskList();
    CThunder::Release();
  }
  params.reset();
  CGlobalParam::Release();
  std::fflush(stdout);
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"usb", kUsage, RunUsb});

}  // namespace
