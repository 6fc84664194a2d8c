// The simulated boot store editor (bootice.exe). Two command lines:
//   /device=N:0 /partitions /firstpart=P   moves entry P of disk N's partition table to
//                                           the front, where the disk's letter is
//   /edit_bcd /easymode /file=STORE         opens the easy-mode editor of the store
// The editor, class "#32770" titled "BCD (Boot Configuration Data) 编辑", holds in this
// order: four ComboBoxes (the menu language, the boot disk, the boot partition, the
// time-out) and the buttons "保存当前系统设置", "关闭" and "确定". The disk list has one
// item a disk of the machine, "hdN: NAME" or, for a USB disk, "rmN: NAME"; the partition
// list the partitions of the chosen disk, "P:(X:)" ("P:" without a letter). Choosing a
// disk with the keyboard fills the partition list anew. "保存当前系统设置" records the
// chosen disk and partition in state/bootice.jsonl and confirms in a "#32770" box titled
// "*_*" with a "确定" button; "关闭" (or WM_CLOSE) ends the editor.

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/codepage.h"
#include "platform/sim/command_line_split.h"
#include "platform/sim/disk_layouts.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_window_applications.h"
#include "platform/sim/sim_windows.h"
#include "platform/sim/state_files.h"
#include "platform/sim/windows_paths.h"

namespace sim {
namespace {

using platform::WindowHandle;

void Say(const ApplicationRun& run, const std::string& text) {
  if (run.out < 0) return;
  [[maybe_unused]] ssize_t written = ::write(run.out, text.data(), text.size());
}

std::vector<std::wstring> DiskItems(const MachineConfig& config) {
  std::vector<std::wstring> items;
  for (const Disk& disk : config.disks) {
    if (config.faults.booticeUnlistedDisks.count(disk.number) != 0) continue;
    items.push_back((disk.busType == platform::kBusUsb ? L"rm" : L"hd") + std::to_wstring(disk.number) + L": " +
                    platform::Utf8ToWide(disk.friendlyName));
  }
  return items;
}

// The number an item begins with after its letters ("rm1: ..." -> 1, "2:(E:)" -> 2), -1
// for none.
int LeadingNumber(const std::wstring& item) {
  size_t i = 0;
  while (i < item.size() && std::iswalpha(static_cast<wint_t>(item[i]))) ++i;
  size_t end = i;
  while (end < item.size() && std::iswdigit(static_cast<wint_t>(item[end]))) ++end;
  return end > i ? std::stoi(item.substr(i, end - i)) : -1;
}

std::vector<std::wstring> PartitionItems(const MachineConfig& config, int diskNumber) {
  std::vector<std::wstring> items;
  for (const Disk& disk : config.disks) {
    if (static_cast<int>(disk.number) != diskNumber) continue;
    for (const Partition& p : disk.partitions) {
      items.push_back(std::to_wstring(p.number) + L":" + (p.letter ? L"(" + std::wstring(1, p.letter) + L":)" : L""));
    }
  }
  return items;
}

struct Editor {
  std::atomic<WindowHandle> dialog{0}, diskList{0}, partitionList{0}, saveButton{0}, closeButton{0}, confirmation{0};
};

int OpenEditor(const ApplicationRun& run, const std::wstring& store) {
  SimWindows& windows = run.machine.simWindows();
  const MachineConfig& config = run.machine.config();
  Editor e;
  auto selected = [&windows](WindowHandle list) {
    const intptr_t index = windows.Selection(list);
    return index < 0 ? L"" : *windows.GetComboItemText(list, static_cast<size_t>(index));
  };
  auto handler = [&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.message == kSelectionChanged && m.window == e.diskList) {
      std::vector<std::wstring> partitions = PartitionItems(config, LeadingNumber(selected(e.diskList)));
      windows.SetItems(e.partitionList, partitions, partitions.empty() ? -1 : 0);
    } else if (m.message == platform::kBmClick && m.window == e.saveButton && e.confirmation == 0) {
      Json::Value record;
      record["command"] = "edit_bcd";
      record["store"] = platform::WideToUtf8(store);
      record["disk"] = LeadingNumber(selected(e.diskList));
      record["partition"] = LeadingNumber(selected(e.partitionList));
      AppendStateLine(run.machine.StateFile("bootice.jsonl"), record);
      e.confirmation = windows.Create(0, L"#32770", L"*_*", [&windows, &e](const WindowMessage& q) {
        if (q.message != platform::kBmClick && q.message != platform::kWmClose) return std::optional<intptr_t>();
        windows.Destroy(e.confirmation.exchange(0));
        return std::optional<intptr_t>(0);
      });
      windows.Create(e.confirmation, L"Static", L"BCD 设置已保存。");
      windows.Create(e.confirmation, L"Button", L"确定");
    } else if (m.message == platform::kBmClick && m.window == e.closeButton) {
      windows.Destroy(e.dialog);
    } else {
      return std::nullopt;
    }
    return 0;
  };
  // Untitled until its controls are all there: a driver looking for it by title never
  // meets it half built.
  e.dialog = windows.Create(0, L"#32770", L"", handler);
  if (e.dialog == 0) return 1;
  windows.SetItems(windows.Create(e.dialog, L"ComboBox", L""), {L"简体中文", L"English"}, 0);
  e.diskList = windows.Create(e.dialog, L"ComboBox", L"");
  const std::vector<std::wstring> disks = DiskItems(config);
  windows.SetItems(e.diskList, disks, disks.empty() ? -1 : 0);
  e.partitionList = windows.Create(e.dialog, L"ComboBox", L"");
  const std::vector<std::wstring> partitions = PartitionItems(config, LeadingNumber(selected(e.diskList)));
  windows.SetItems(e.partitionList, partitions, partitions.empty() ? -1 : 0);
  windows.SetItems(windows.Create(e.dialog, L"ComboBox", L""), {L"0", L"1", L"3", L"5"}, 2);
  e.saveButton = windows.Create(e.dialog, L"Button", L"保存当前系统设置");
  e.closeButton = windows.Create(e.dialog, L"Button", L"关闭");
  windows.Create(e.dialog, L"Button", L"确定");
  windows.SetText(e.dialog, L"BCD (Boot Configuration Data) 编辑");

  windows.WaitUntil([&] { return !windows.IsWindow(e.dialog); });
  windows.Destroy(e.confirmation.exchange(0));  // its handler uses what goes with this run
  return 0;
}

std::optional<std::wstring> Option(const std::wstring& argument, const wchar_t* name) {
  const std::wstring prefix = std::wstring(name) + L"=";
  if (FoldCase(argument).compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return argument.substr(prefix.size());
}

int PutEntryFirst(const ApplicationRun& run, uint32_t disk, uint32_t entry) {
  try {
    const bool moved = ChangeDiskLayout(run.machine, disk, [&](Disk& d) {
      if (entry == 0 || entry > d.partitions.size()) return false;
      std::rotate(d.partitions.begin(), d.partitions.begin() + (entry - 1), d.partitions.begin() + entry);
      RenumberTable(d);
      return true;
    });
    if (moved) return 0;
    Say(run, "bootice: disk " + std::to_string(disk) + " has no partition " + std::to_string(entry) + "\r\n");
  } catch (const DiskLayoutError& e) {
    Say(run, std::string("bootice: ") + e.what() + "\r\n");
  }
  return 1;
}

}  // namespace

int RunBootice(const ApplicationRun& run) {
  const std::vector<std::wstring> a = SplitCommandLine(run.commandLine);
  if (a.size() == 3 && FoldCase(a[0]) == L"/edit_bcd" && FoldCase(a[1]) == L"/easymode" && Option(a[2], L"/file")) {
    const std::wstring store = FullPath(run.folder, *Option(a[2], L"/file"));
    if (run.machine.config().faults.booticeNoEditor) {
      Say(run, "bootice: the editor does not open on this machine\r\n");
      return 1;
    }
    return OpenEditor(run, store);
  }
  if (a.size() == 3 && Option(a[0], L"/device") && FoldCase(a[1]) == L"/partitions" && Option(a[2], L"/firstpart")) {
    const std::wstring device = *Option(a[0], L"/device");
    const std::optional<uint32_t> disk = ParseDecimal(device.substr(0, device.find(L':')));
    const std::optional<uint32_t> partition = ParseDecimal(*Option(a[2], L"/firstpart"));
    if (disk && partition && device.substr(device.find(L':') == std::wstring::npos ? device.size() : device.find(L':')) == L":0") {
      Json::Value record;
      record["command"] = "firstpart";
      record["disk"] = *disk;
      record["partition"] = *partition;
      AppendStateLine(run.machine.StateFile("bootice.jsonl"), record);
      return PutEntryFirst(run, *disk, *partition);
    }
  }
  Say(run, "bootice: unknown command line:" + platform::WideToUtf8(run.commandLine) + "\r\n");
  return 1;
}

}  // namespace sim
