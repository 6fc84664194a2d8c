// tarnvikctl usb: the USB maker's view of a simulated machine. "list" prints the USB disks
// as the maker page lists them and, for a disk the maker would refuse to touch, why.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/global_param.h"
#include "arguments.h"
#include "command.h"
#include "open_machine.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "usbmaker/usb_disk_guard.h"
#include "usbmaker/usb_disk_texts.h"
#include "usbmaker/usb_maker_controller.h"

namespace {

constexpr char kUsage[] =
    "usb --machine DIR list          the USB disks as the maker page lists them, and why one would be refused";

struct UsbArguments {
  std::string folder;
  std::string action;
};

UsbArguments ReadArguments(const std::vector<std::string>& args) {
  UsbArguments read;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      read.folder = tarnvikctl::OptionValue(args, i);
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else if (read.action.empty()) {
      read.action = args[i];
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (read.folder.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  if (read.action.empty()) throw tarnvikctl::UsageError("an action is required: list");
  if (read.action != "list") throw tarnvikctl::UsageError("unknown action '" + read.action + "'");
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

int RunUsb(const std::vector<std::string>& args) {
  const UsbArguments read = ReadArguments(args);
  std::unique_ptr<sim::SimPlatform> machine = tarnvikctl::OpenMachine(read.folder, "usb");
  if (!machine) return 2;
  platform::ScopedPlatform installed(*machine);
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  PrintList();
  params.reset();
  CGlobalParam::Release();
  std::fflush(stdout);
  return 0;
}

const bool registered = tarnvikctl::RegisterCommand({"usb", kUsage, RunUsb});

}  // namespace
