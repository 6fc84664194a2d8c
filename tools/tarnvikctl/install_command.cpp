// tarnvikctl install: runs the program's install worker on a simulated machine, headless,
// as the program does once the image and the WinPE component are downloaded, and prints
// what it did to the machine: support staff use it to see why an install failed.

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/contains_no_case.h"
#include "app/global_param.h"
#include "app/program_folders.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "arguments.h"
#include "catalogue/pe_descriptor.h"
#include "command.h"
#include "open_machine.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "reinstall/install_thread.h"
#include "reinstall/reinstall_controller.h"
#include "stats/device_identity.h"
#include "stats/query_view.h"
#include "watched_platform.h"

namespace {

constexpr char kUsage[] =
    "install --machine DIR --image PATH [--pe NAME]\n"
    "        runs the install worker on the simulated machine DIR as the program does after the\n"
    "        download step: PATH is the Windows path of the downloaded image (.gho used where it\n"
    "        lies, .iso mounted and copied out; any other kind fails as in the program), NAME the\n"
    "        WinPE component's file name in the program's PE folder (default: the component that\n"
    "        temp\\pe.json names when it lies there, else the one .iso in the PE folder). Prints\n"
    "        the commands run and the log as they come, then the prepared image, the boot store\n"
    "        before and after (tool\\bcdedit.dll /enum), the files placed, changed or removed in\n"
    "        the roots of the fixed drives with their attributes (S system, H hidden, R read-only),\n"
    "        ghostPe.In, Config.ini's path and keys, and the restart request and its result. Like\n"
    "        check, it sends no tracking point: the points the program would post are listed,\n"
    "        decrypted. Exit 0 installed and restart accepted, 1 a step failed (named), 2 bad\n"
    "        input, 3 installed but the restart was refused";

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }
std::string Utf8FromLocal(const std::string& narrow) { return Utf8(platform::CodePage936ToWide(narrow)); }

struct Options {
  std::string machine;
  std::wstring image;
  std::optional<std::wstring> pe;
};

Options ReadOptions(const std::vector<std::string>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      options.machine = tarnvikctl::OptionValue(args, i);
    } else if (args[i] == "--image") {
      options.image = platform::Utf8ToWide(tarnvikctl::OptionValue(args, i));
    } else if (args[i] == "--pe") {
      options.pe = platform::Utf8ToWide(tarnvikctl::OptionValue(args, i));
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (options.machine.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  if (options.image.empty()) throw tarnvikctl::UsageError("--image PATH is required");
  return options;
}

// The input is checked on the machine, once it is open.
std::string CheckImage(const std::wstring& image) {
  if (image.size() < 4 || image[1] != L':' || image[2] != L'\\') {
    return "--image takes a Windows path such as D:\\Tarnvik\\gho-prlm\\win10.gho, not '" + Utf8(image) + "'";
  }
  if (!platform::Current().files().FileExists(image)) return "--image " + Utf8(image) + " is not a file on the machine";
  return "";
}

std::vector<std::wstring> IsoFilesIn(const std::wstring& folder) {
  std::vector<std::wstring> isos;
  auto entries = platform::Current().files().ListDirectory(folder);
  for (const auto& e : entries ? *entries : std::vector<platform::DirectoryEntry>{}) {
    if (!e.isDirectory && e.name.size() > 4 && EqualsNoCase(e.name.substr(e.name.size() - 4), L".iso")) {
      isos.push_back(e.name);
    }
  }
  return isos;
}

// The WinPE component's file name in peDir, or why there is none; `how` says where the
// name came from.
std::optional<std::wstring> ChoosePeComponent(const std::optional<std::wstring>& given, std::string& how,
                                              std::string& problem) {
  platform::Files& files = platform::Current().files();
  const std::wstring peDir = CGlobalParam::Instance()->peDir;
  if (given) {
    if (given->empty() || *given == L"." || *given == L".." || given->find_first_of(L"\\/:") != std::wstring::npos) {
      problem = "--pe takes a file name in " + Utf8(peDir) + ", not '" + Utf8(*given) + "'";
      return std::nullopt;
    }
    if (!files.FileExists(peDir + *given)) {
      problem = "--pe " + Utf8(*given) + ": there is no " + Utf8(peDir + *given) + " on the machine";
      return std::nullopt;
    }
    how = "--pe";
    return given;
  }
  PeEntry cached;
  if (LoadPeDescriptor(cached) && !cached.fileName.empty() && files.FileExists(peDir + cached.fileName)) {
    how = "named by temp\\pe.json";
    return cached.fileName;
  }
  std::vector<std::wstring> isos = IsoFilesIn(peDir);
  if (isos.size() == 1) {
    how = "the one .iso in the PE folder";
    return isos.front();
  }
  std::string names;
  for (const auto& n : isos) names += (names.empty() ? " (" : ", ") + Utf8(n);
  problem = "no WinPE component chosen: temp\\pe.json names none that lies in " + Utf8(peDir) + ", which holds " +
            std::to_string(isos.size()) + " .iso files" + (names.empty() ? "" : names + ")") + "; give --pe NAME";
  return std::nullopt;
}

// The boot store as tool\bcdedit.dll /enum lists it, run through cmd.exe into a temporary
// file; nothing, with the reason in `why`, when it cannot be read.
std::optional<std::string> ReadBootStore(std::string& why) {
  platform::Files& files = platform::Current().files();
  const std::wstring tool = ToolFolder();
  if (!files.FileExists(tool + L"\\bcdedit.dll")) {
    why = "there is no bcdedit.dll in " + Utf8(tool);
    return std::nullopt;
  }
  const std::wstring listing = CGlobalParam::Instance()->cacheDir + L"tarnvikctl-bcd-enum.txt";
  files.RemoveFile(listing);
  if (!RunHidden(L"cmd.exe", FillTemplate(L"/c bcdedit.dll /enum >\"%s\"", {listing}), tool, true)) {
    why = "cmd.exe cannot be started on this machine";
    return std::nullopt;
  }
  std::optional<std::string> text = files.ReadFile(listing);
  files.RemoveFile(listing);
  if (!text) {
    why = "bcdedit.dll /enum left no listing in " + Utf8(listing);
  } else if (text->empty()) {
    // cmd.exe creates the redirection's file before it starts the editor.
    why = "bcdedit.dll /enum listed nothing: it did not run or failed (the machine's process log says why)";
    text.reset();
  }
  return text;
}

void PrintIndented(const std::string& utf8Text, const char* indent = "  ") {
  size_t start = 0;
  while (start < utf8Text.size()) {
    size_t end = utf8Text.find('\n', start);
    std::string line = utf8Text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("%s%s\n", indent, line.c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

void PrintBootStore(const char* when) {
  std::string why;
  std::optional<std::string> store = ReadBootStore(why);
  if (!store) {
    std::printf("boot store %s: cannot be read: %s\n", when, why.c_str());
    return;
  }
  std::printf("boot store %s:\n", when);
  PrintIndented(Utf8FromLocal(*store));
}

struct RootFile {
  uint32_t attributes = 0;
  int64_t size = 0;
  std::optional<std::string> content;  // small files only
};
using RootFiles = std::map<std::wstring, RootFile>;  // by full path

constexpr int64_t kComparedBytes = 1 << 20;

RootFiles FixedDriveRootFiles() {
  platform::Files& files = platform::Current().files();
  platform::Storage& storage = platform::Current().storage();
  RootFiles found;
  auto roots = storage.LogicalDriveStrings(256);
  for (const std::wstring& root : roots ? *roots : std::vector<std::wstring>{}) {
    if (storage.QueryDriveType(root) != platform::kDriveFixed) continue;
    auto entries = files.ListDirectory(root);
    for (const auto& e : entries ? *entries : std::vector<platform::DirectoryEntry>{}) {
      if (e.isDirectory) continue;
      const std::wstring path = root + e.name;
      RootFile file{files.GetFileAttributes(path), e.size, std::nullopt};
      if (e.size <= kComparedBytes) file.content = files.ReadFile(path);
      found[path] = file;
    }
  }
  return found;
}

std::string AttributeLetters(uint32_t attributes) {
  std::string letters;
  if (attributes & platform::kFileAttributeSystem) letters += 'S';
  if (attributes & platform::kFileAttributeHidden) letters += 'H';
  if (attributes & platform::kFileAttributeReadOnly) letters += 'R';
  return letters.empty() ? "-" : letters;
}

void PrintRootChanges(const RootFiles& before, const RootFiles& after) {
  std::printf("files in the roots of the fixed drives, placed, changed or removed:\n");
  bool any = false;
  for (const auto& [path, file] : after) {
    auto earlier = before.find(path);
    const char* what = earlier == before.end() ? "placed"
                       : (earlier->second.attributes != file.attributes || earlier->second.size != file.size ||
                          earlier->second.content != file.content)
                           ? "changed"
                           : nullptr;
    if (!what) continue;
    std::printf("  %s  %s  (%s, %lld bytes)\n", Utf8(path).c_str(), AttributeLetters(file.attributes).c_str(), what,
                static_cast<long long>(file.size));
    any = true;
  }
  for (const auto& [path, file] : before) {
    if (after.count(path)) continue;
    std::printf("  %s  (removed)\n", Utf8(path).c_str());
    any = true;
  }
  if (!any) std::printf("  none\n");
}

void PrintFile(const char* title, const std::wstring& path) {
  std::optional<std::string> text = platform::Current().files().ReadFile(path);
  if (!text) {
    std::printf("%s %s: missing\n", title, Utf8(path).c_str());
    return;
  }
  std::printf("%s %s:\n", title, Utf8(path).c_str());
  PrintIndented(Utf8FromLocal(*text));
}

// What the worker tells the windows; the program shows these as message boxes.
class NoticeRecord : public IInstallFailureNotice, public IRestartFailureNotice {
 public:
  void PostInstallFailed() override { installFailed = true; }
  void ShowRestartFailed() override { restartFailed = true; }
  bool installFailed = false;  // read once the worker has ended
  bool restartFailed = false;
};

struct PostedPoint {
  int32_t step;
  std::string name;  // UTF-8
  std::string view;  // UTF-8, the decrypted query
};

const char* StepName(InstallStep step) {
  switch (step) {
    case InstallStep::PartitionQuery:
      return "the partition query of the system drive";
    case InstallStep::ImagePreparation:
      return "the image preparation";
    case InstallStep::PeBootFiles:
      return "the WinPE boot files (WinPE ISO, WIM, SDone.SDI, grldr or VQmenu.lst)";
    case InstallStep::GhostHandoff:
      return "the hand-off file ghostPe.In in the root of the system drive";
    case InstallStep::None:
      break;
  }
  return "none";
}

// The worker's run and what it left; the exit status.
int Install(tarnvikctl::WatchedPlatform& watched, const std::wstring& image, const std::wstring& pe) {
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  const RootFiles before = FixedDriveRootFiles();
  PrintBootStore("before");

  NoticeRecord notices;
  std::vector<PostedPoint> points;
  ReinstallController controller;
  auto entry = std::make_unique<OsEntry>();
  entry->name = image.substr(image.rfind(L'\\') + 1);
  entry->localPath = image;
  controller.selectedOs = entry.get();
  controller.osList.push_back(std::move(entry));
  controller.peEntry.fileName = pe;
  controller.installFailureNotice = &notices;
  controller.restartFailureNotice = &notices;
  controller.installWorker = std::make_unique<CInstallThread>(controller, [&points](std::unique_ptr<FixedPointBase> p) {
    points.push_back({p->step, Utf8FromLocal(p->GetName()), Utf8FromLocal(DecryptedView(p->BuildQuery()))});
  });
  std::printf("install:\n");
  std::fflush(stdout);
  watched.Watch(true);
  controller.installWorker->Start();
  // The install cannot be stopped; it ends when its last command has.
  while (controller.installWorker->IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  watched.Watch(false);
  const InstallOutcome outcome = controller.installWorker->outcome();

  std::printf("prepared image: %s\n", outcome.preparedImage.empty() ? "none" : Utf8(outcome.preparedImage).c_str());
  PrintBootStore("after");
  PrintRootChanges(before, FixedDriveRootFiles());
  PrintFile("ghostPe.In", std::wstring(1, params->systemDrive) + L":\\ghostPe.In");
  PrintFile("Config.ini", params->configIniPath);
  std::printf("tracking points (not sent):\n");
  for (const PostedPoint& p : points) {
    std::printf("  %d %s\n", p.step, p.name.c_str());
    PrintIndented(p.view, "    ");
  }
  if (!outcome.ok()) {
    std::printf("restart: not requested; %s\n",
                notices.installFailed
                    ? "the main window gets message 3028 and shows 重装失败,请关闭杀毒软件，重新安装！"
                    : "the install-failure notice was not raised");
    std::printf("install failed at: %s (see the log above)\n", StepName(outcome.failedStep));
    return 1;
  }
  if (notices.restartFailed) {
    std::printf("restart: requested and refused (see the log above); the program shows %s\n",
                "重启失败，请手动重启电脑");
    return 3;
  }
  std::printf("restart: requested and accepted\n");
  return 0;
}

int RunInstall(const std::vector<std::string>& args) {
  const Options options = ReadOptions(args);
  std::unique_ptr<sim::SimPlatform> machine = tarnvikctl::OpenMachine(options.machine, "install");
  if (!machine) return 1;
  tarnvikctl::WatchedPlatform watched(*machine);
  platform::ScopedPlatform installed(watched);
  // The program's own identity, as its entry sets it up.
  CGlobalParam::SetDeviceIdentitySource(&GetMacAddress);
  int result = 2;
  std::string problem = CheckImage(options.image), how;
  std::optional<std::wstring> pe;
  if (problem.empty()) pe = ChoosePeComponent(options.pe, how, problem);
  if (!problem.empty()) {
    std::fprintf(stderr, "tarnvikctl install: %s\nusage: tarnvikctl %s\n", problem.c_str(), kUsage);
  } else {
    std::printf("image: %s\nWinPE component: %s (%s)\n", Utf8(options.image).c_str(),
                Utf8(CGlobalParam::Instance()->peDir + *pe).c_str(), how.c_str());
    result = Install(watched, options.image, *pe);
  }
  CGlobalParam::Release();
  std::fflush(stdout);
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"install", kUsage, RunInstall});

}  // namespace
