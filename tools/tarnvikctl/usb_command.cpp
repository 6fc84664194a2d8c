// tarnvikctl usb: the USB maker's jobs on a simulated machine. "list" prints the USB disks
// as the maker page lists them and, for a disk the maker would refuse to touch, why;
// "simulate" starts the emulator test on the disk of a drive letter and waits for it.

#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "arguments.h"
#include "command.h"
#include "open_machine.h"
#include "platform/codepage.h"
#include "platform/sim/process_log.h"
#include "platform/sim/sim_platform.h"
#include "usbmaker/boot_simulation.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/usb_disk_texts.h"
#include "usbmaker/usb_maker_controller.h"

namespace {

constexpr char kUsage[] =
    "usb --machine DIR list|simulate [LETTER]\n"
    "        list: the USB disks as the maker page lists them, and why one would be refused;\n"
    "        simulate LETTER: the emulator test (simu\\qemu.exe on the whole disk of LETTER, in\n"
    "        snapshot mode), waited for; exit 0 when the emulator ran, 1 when the letter is no\n"
    "        volume of a USB disk or the emulator failed (its message is printed)";

constexpr auto kEmulatorWait = std::chrono::seconds(30);

struct UsbArguments {
  std::string folder;
  std::string action;
  wchar_t letter = 0;  // simulate's
};

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
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else if (read.action.empty()) {
      read.action = args[i];
    } else if (read.action == "simulate" && read.letter == 0) {
      read.letter = DriveLetter(args[i]);
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (read.folder.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  if (read.action.empty()) throw tarnvikctl::UsageError("an action is required: list or simulate");
  if (read.action != "list" && read.action != "simulate") {
    throw tarnvikctl::UsageError("unknown action '" + read.action + "'");
  }
  if (read.action == "simulate" && read.letter == 0) throw tarnvikctl::UsageError("simulate needs the drive LETTER");
  return read;
}

// The maker page reduced to its list: rows in the order the controller appends them.
class ListedRows : public IUsbMakerPage {
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
  bool IsMainWindowEnabled() override { return false; }
  void AppendRow(VolumeInfo* disk) override { rows.push_back(disk); }
  void RemoveRow(VolumeInfo* disk) override { std::erase(rows, disk); }
  void SelectRow(VolumeInfo*) override {}
  void SetListBackground(const std::wstring&) override {}

  std::vector<VolumeInfo*> rows;
};

void PrintList() {
  const std::vector<std::unique_ptr<OsEntry>> noCatalogue;
  PeEntry noComponent;
  UsbMakerController controller(noCatalogue, noComponent, {});
  ListedRows page;
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

int RunUsb(const std::vector<std::string>& args) {
  const UsbArguments read = ReadArguments(args);
  std::unique_ptr<sim::SimPlatform> machine = tarnvikctl::OpenMachine(read.folder, "usb");
  if (!machine) return 2;
  platform::ScopedPlatform installed(*machine);
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  int result = 0;
  if (read.action == "list") {
    PrintList();
  } else {
    result = Simulate(*machine, read.letter);
  }
  params.reset();
  CGlobalParam::Release();
  std::fflush(stdout);
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"usb", kUsage, RunUsb});

}  // namespace
