// tarnvikctl shot: renders one of the program's windows headless to a PNG file, with
// sample content, for designers and reviewers.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/global_param.h"
#include "arguments.h"
#include "catalogue/os_entry.h"
#include "command.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "reinstall/reinstall_controller.h"
#include "skin/window_registry.h"
#include "ui/db_task.h"
#include "ui/download_box.h"
#include "ui/download_box1.h"
#include "ui/format_msg_box.h"
#include "ui/make_box.h"
#include "ui/select_box.h"
#include "ui/msg_box.h"
#include "ui/os_list.h"
#include "ui/os_list_item1.h"
#include "ui/os_list_item2.h"
#include "ui/preview_wnd.h"
#include "ui/tishi_wnd.h"
#include "usbmaker/usb_maker_controller.h"
#include "usbmaker/usb_messages.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "shot WHAT OUT.png [--machine DIR] [options]   a window rendered headless\n"
    "      WHAT: msgbox1 [--text T --caption C --icon N --button T]\n"
    "            msgbox2 [--text T --caption C --icon N --button1 T --button2 T --style1 N --style2 N]\n"
    "            tishi [--countdown N]     the notice with N seconds left (5 to 0)\n"
    "            oslist | reselect         image rows in each state\n"
    "            task [--backup FOLDER]    the download panel, with the backup section\n"
    "            downloadbox | downloadbox1  the download windows: rows downloading, waiting, done\n"
    "            usbconfirm [--text T]     the maker's confirm-and-run dialog\n"
    "            usbselect                 the image choice of the USB make\n"
    "            usbmake [--succeeded 0|1] the make dialog showing the make's result";

// The repository's skin folder: found from where tarnvikctl lies (build/bin/ in a checkout)
// or, failing that, from the current folder, so a moved or copied checkout still finds it.
fs::path RepositorySkinFolder() {
  std::error_code ignored;
  for (fs::path start : {fs::read_symlink("/proc/self/exe", ignored).parent_path(), fs::current_path(ignored)}) {
    for (fs::path dir = start; !dir.empty(); dir = dir.parent_path()) {
      if (fs::is_regular_file(dir / "skin" / "Mask.xml", ignored)) return dir / "skin";
      if (dir == dir.root_path()) break;
    }
  }
  throw sim::MachineError("cannot find the repository's skin folder (skin/Mask.xml) above " +
                          fs::read_symlink("/proc/self/exe", ignored).parent_path().string() +
                          " or the current folder; name a machine with --machine");
}

// Without --machine the window is drawn on a throw-away machine holding the skins.
class ShotMachine {
 public:
  explicit ShotMachine(const std::string& folder) {
    if (folder.empty()) {
      fs::path skins = RepositorySkinFolder();
      std::string pattern = (fs::temp_directory_path() / "tarnvik-shot-XXXXXX").string();
      if (!mkdtemp(pattern.data())) throw sim::MachineError("cannot make a temporary machine");
      temp_ = pattern;
      std::ofstream(temp_ / "machine.json") << R"({
        "windows": {"systemDirectory": "C:\\Windows\\system32"},
        "program": {"path": "D:\\Tarnvik\\Tarnvik.exe"},
        "network": {"up": true, "adapters": []},
        "disks": [
          {"number": 0, "bus": "sata", "sizeBytes": 274877906944, "style": "gpt",
           "partitions": [{"number": 1, "sizeBytes": 214748364800, "letter": "C", "fileSystem": "NTFS"}]},
          {"number": 1, "bus": "sata", "sizeBytes": 274877906944, "style": "mbr",
           "partitions": [{"number": 1, "sizeBytes": 214748364800, "letter": "D", "fileSystem": "NTFS"}]}]})";
      fs::create_directories(temp_ / "drives/D/Tarnvik");
      fs::copy(skins, temp_ / "drives/D/Tarnvik/skin", fs::copy_options::recursive);
    }
    machine_ = std::make_unique<sim::SimPlatform>(folder.empty() ? temp_ : fs::path(folder));
    installed_ = std::make_unique<platform::ScopedPlatform>(*machine_);
  }
  ~ShotMachine() {
    CGlobalParam::Release();
    installed_.reset();
    machine_.reset();
    std::error_code ignored;
    if (!temp_.empty()) fs::remove_all(temp_, ignored);
  }

 private:
  fs::path temp_;
  std::unique_ptr<sim::SimPlatform> machine_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
};

using Options = std::map<std::string, std::string>;

std::wstring Option(const Options& options, const char* name, const wchar_t* fallback) {
  auto it = options.find(name);
  return it == options.end() ? fallback : platform::Utf8ToWide(it->second);
}

// The options each window takes besides --machine, and the range of the numeric ones.
struct NumberRange {
  int64_t min, max;
};
constexpr NumberRange kAnyInt{INT32_MIN, INT32_MAX};  // the boxes keep the skin's look for unknown values
const std::map<std::string, std::map<std::string, std::optional<NumberRange>>> kWindowOptions = {
    {"msgbox1", {{"--text", {}}, {"--caption", {}}, {"--icon", kAnyInt}, {"--button", {}}}},
    {"msgbox2",
     {{"--text", {}}, {"--caption", {}}, {"--icon", kAnyInt}, {"--button1", {}}, {"--button2", {}},
      {"--style1", kAnyInt}, {"--style2", kAnyInt}}},
    {"tishi", {{"--countdown", NumberRange{0, 5}}}},
    {"oslist", {}},
    {"reselect", {}},
    {"task", {{"--backup", {}}}},
    {"downloadbox", {}},
    {"downloadbox1", {}},
    {"usbconfirm", {{"--text", {}}}},
    {"usbselect", {}},
    {"usbmake", {{"--succeeded", NumberRange{0, 1}}}},
};

// Throws UsageError for an option the window does not take or a number out of its range.
void CheckOptions(const std::string& what, const Options& options) {
  const auto& known = kWindowOptions.at(what);
  for (const auto& [name, value] : options) {
    if (name == "--machine") continue;
    auto it = known.find(name);
    if (it == known.end()) tarnvikctl::UnknownOption(name);
    if (it->second) tarnvikctl::NumberOption(name, value, it->second->min, it->second->max);
  }
}

int IntOption(const Options& options, const char* name, int fallback) {
  auto it = options.find(name);
  return it == options.end() ? fallback : std::stoi(it->second);
}

// Creates the window as the program does. Without its skin file the skin library makes
// an empty window that the skin gave no size: refuse it rather than draw an empty picture.
void CreateFromSkin(CXMLWnd& window, const std::wstring& title) {
  window.CreateProgramWindow(nullptr, title);
  const DuiLib::SIZE size = window.GetPaintManager().GetInitSize();
  if (size.cx <= 0 || size.cy <= 0) {
    throw std::runtime_error("the window's skin file is missing from the machine's skin folder");
  }
}

bool Save(DuiLib::WindowImplBase& window, const std::string& out) {
  auto surface = window.RenderNow();
  return surface && surface->WritePng(out);
}

std::vector<OsEntry> SampleEntries() {
  return {
      {L"Windows 10 专业版 64位", L"2024-05-20", L"win10x64.gho", 4832716800LL, L"", 64, L"", 1, true, ""},
      {L"Windows 11 专业版 64位", L"2024-06-11", L"win11x64.iso", 5637144576LL, L"", 64, L"", 3, false, ""},
      {L"Windows 7 旗舰版 64位", L"2023-11-02", L"win7x64.gho", 3865470566LL, L"", 64, L"", 2, false, ""},
      {L"Windows 7 旗舰版 32位", L"2023-11-02", L"win7x86.gho", 3328599654LL, L"", 32, L"", 0, false, ""},
  };
}

// The preview page with the given controls, resized to fit them.
template <typename Fill>
int ShotOfControls(const std::string& out, int height, Fill fill) {
  CPreviewWnd window;
  CreateFromSkin(window, L"preview");
  fill(*window.Body());
  window.ResizeClient(680, height);
  return Save(window, out) ? 0 : 1;
}

int Shot(const std::string& what, const std::string& out, const Options& options) {
  if (what == "msgbox1") {
    MsgBox::CMsgBox1 box(Option(options, "--text", L"请检查网络是否正确连接！"), Option(options, "--caption", L"提示"),
                         IntOption(options, "--icon", 0), MsgButton{Option(options, "--button", L"确定"), 0, true, {}});
    CreateFromSkin(box, DialogTitle());
    return Save(box, out) ? 0 : 1;
  }
  if (what == "msgbox2") {
    MsgBox::CMsgBox2 box(Option(options, "--text", L"程序正在运行，确定要退出？"), Option(options, "--caption", L"提示"),
                         IntOption(options, "--icon", 1),
                         MsgButton{Option(options, "--button1", L"确定"), IntOption(options, "--style1", 0), true, {}},
                         MsgButton{Option(options, "--button2", L"取消"), IntOption(options, "--style2", 1), true, {}});
    CreateFromSkin(box, DialogTitle());
    return Save(box, out) ? 0 : 1;
  }
  if (what == "tishi") {
    CTishiWnd notice;
    CreateFromSkin(notice, DialogTitle());
    int left = IntOption(options, "--countdown", 5);
    for (int tick = 5; tick > left && tick > 0; --tick) DuiLib::SendMessage(notice.GetHWND(), DuiLib::WM_TIMER, 1, 0);
    return Save(notice, out) ? 0 : 1;
  }
  static std::vector<OsEntry> entries = SampleEntries();
  if (what == "oslist") {
    return ShotOfControls(out, 20 + 70 * 4 + 20, [&](DuiLib::CVerticalLayoutUI& body) {
      auto* list = new COsListUI;
      list->SetAttribute(L"itemselectedbkcolor", L"#FFF2FBF6");
      body.Add(list);
      for (OsEntry& e : entries) {
        auto* row = new COsListItem1(e.name, e.fileTime, e.size, L"", e.state);
        row->SetEntry(&e);
        list->Add(row);
      }
      list->SelectItem(0);
    });
  }
  if (what == "reselect") {
    return ShotOfControls(out, 20 + 49 * 4 + 20, [&](DuiLib::CVerticalLayoutUI& body) {
      auto* list = new COsListUI;
      body.Add(list);
      for (OsEntry& e : entries) {
        auto* row = new COsListItem2(e.name, e.size, e.state);
        row->SetEntry(&e);
        list->Add(row);
        if (e.state == 2) row->ShowProgress(37);
      }
      list->SelectItem(2);
    });
  }
  if (what == "task") {
    bool backup = options.count("--backup") > 0;
    return ShotOfControls(out, backup ? 240 : 140, [&](DuiLib::CVerticalLayoutUI& body) {
      auto* task = new CDbTaskUI;
      body.Add(task);
      task->NameLabel()->SetText(L"Windows 10 专业版 64位");
      task->SetSpeedText(2621440);
      task->SizeLabel()->SetText(L"4608.80MB");
      task->PercentLabel()->SetText(L"37.50%");
      task->DownloadProgress()->SetValue(37);
      if (backup) {
        task->AddBackupSection(Option(options, "--backup", L"E:\\beifenshuju"));
        task->BackupProgress()->SetValue(64);
        task->BackupPercentLabel()->SetText(L"64%");
      }
    });
  }
  if (what == "downloadbox") {
    // Its rows as the downloads would have them, no download started.
    ReinstallController reinstall;
    std::vector<std::unique_ptr<OsEntry>> catalogue;
    PeEntry pe;
    UsbMakerController usbMaker(catalogue, pe, {});
    CDownloadBox box(reinstall, usbMaker, {&entries[0], &entries[1], &entries[2]});
    box.makeWorker = nullptr;
    CreateFromSkin(box, DialogTitle());
    box.SetRowProgress(0, (entries[0].size >> 12) * 37 / 100);
    box.SetRowPercent(0, 37.5f);
    box.SetRowSpeed(0, 2621440);
    box.SetRowPercent(2, -1);
    return Save(box, out) ? 0 : 1;
  }
  if (what == "downloadbox1") {
    // Done: every image downloaded.
    ReinstallController reinstall;
    CDownloadBox1 box(reinstall, {&entries[1]}, CGlobalParam::Instance()->imageDir);
    CreateFromSkin(box, DialogTitle());
    DuiLib::SendMessage(box.GetHWND(), kMsgAllDownloadsDone);
    return Save(box, out) ? 0 : 1;
  }
  if (what == "usbconfirm" || what == "usbselect" || what == "usbmake") {
    std::vector<std::unique_ptr<OsEntry>> catalogue;
    for (const OsEntry& e : entries) catalogue.push_back(std::make_unique<OsEntry>(e));
    PeEntry pe;
    UsbMakerController maker(catalogue, pe, {});
    if (what == "usbconfirm") {
      CFormatMsgBox box(maker, Option(options, "--text", L"本次操作将会永久删除 E: 盘上的所有数据，且不能恢复，您是否继续执行该操作?"),
                        L"询问", [](auto) {});
      CreateFromSkin(box, DialogTitle());
      return Save(box, out) ? 0 : 1;
    }
    if (what == "usbselect") {
      ImageChoice chosen;
      CSelectBox box(maker, catalogue, chosen);
      CreateFromSkin(box, DialogTitle());
      return Save(box, out) ? 0 : 1;
    }
    // The stored result of a make that has ended: the dialog starts none.
    VolumeInfo stick;
    stick.root = L"E:\\";
    maker.selectedDisk = &stick;
    maker.finished = true;
    maker.succeeded = IntOption(options, "--succeeded", 1) == 1;
    CMakeBox box(maker);
    CreateFromSkin(box, DialogTitle());
    return Save(box, out) ? 0 : 1;
  }
  return 2;  // CheckOptions has refused every other window
}

int RunShot(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) == 0) {
      const std::string& name = args[i];
      options[name] = tarnvikctl::OptionValue(args, i);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) throw tarnvikctl::UsageError("WHAT and OUT.png, nothing else");
  if (!kWindowOptions.count(positional[0])) throw tarnvikctl::UsageError("unknown window '" + positional[0] + "'");
  CheckOptions(positional[0], options);
  try {
    auto machine = options.count("--machine") ? options.at("--machine") : std::string();
    ShotMachine shotMachine(machine);
    int rc = Shot(positional[0], positional[1], options);
    if (rc == 1) std::fprintf(stderr, "tarnvikctl shot: cannot write %s\n", positional[1].c_str());
    return rc;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarnvikctl shot: %s\n", e.what());
    return 1;
  }
}

const bool registered = tarnvikctl::RegisterCommand({"shot", kUsage, RunShot});

}  // namespace
