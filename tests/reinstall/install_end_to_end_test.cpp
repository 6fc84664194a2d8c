// The install on whole simulated machines, laid out by make-machine.sh: the install worker
// (and tarnvikctl install) runs the machine's own cmd.exe and the fake tools, and the
// machine is inspected afterwards: the boot store, the files in the drive roots with their
// attributes, the hand-off files, the DOS device mappings, the restart requests, and the
// command lines every tool got.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/contains_no_case.h"
#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "install_machine.h"
#include "reinstall/install_thread.h"
#include "reinstall/reinstall_controller.h"
#include "stats/query_view.h"
#include "stats/stats_url.h"
#include "support/iso_image.h"
#include "support/logged_platform.h"
#include "support/state_records.h"
#include "support/tarnvikctl_process.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MachineLayout;
using testing_support::ReadStateFile;
using testing_support::ReadStateLines;
using testing_support::TempDir;
using testing_support::TempMachine;

constexpr char kPeId[] = "{ba50c1f0-3752-11de-90d5-cdf8d52a3200}";
constexpr char kSupportId[] = "{ba50c1f0-3752-11de-90d5-cdf8d52a3211}";
constexpr int64_t kMiB = int64_t(1) << 20;

// Bytes that differ from those of every other seed, so that a copy shows where it came from.
std::string Bytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

void WriteHostFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string ReadHostFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "(missing)";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The ISO images the tests mount and extract, made with xorriso once for the test program.
struct Isos {
  // An OS image ISO: the largest image file is a .wim in a subfolder; smaller image files,
  // one of them under 1 MiB, are decoys.
  fs::path image;
  std::string wim;                 // the bytes of its sources\install.wim
  fs::path imageWithoutImageFile;  // image files under 1 MiB only
  fs::path pe;                     // the WinPE component, with WEPE\WEPE64.WIM
  std::string peWim;
  fs::path peWithoutWim;  // a WinPE component without it
  testing::AssertionResult ready = testing::AssertionSuccess();  // why not, when they could not be made
};

const Isos& TheIsos() {
  static TempDir folder;
  static const Isos isos = [] {
    Isos made;
    made.wim = Bytes(2 * kMiB + 4321, 1);
    made.peWim = Bytes(64 * 1024, 2);
    struct Tree {
      fs::path* iso;
      std::vector<std::pair<std::string, std::string>> files;
    };
    const Tree trees[] = {
        {&made.image,
         {{"sources/install.wim", made.wim},
          {"boot/boot.sdi", Bytes(kMiB + 7, 3)},
          {"setup.gho", Bytes(300 * 1024, 4)}}},
        {&made.imageWithoutImageFile, {{"sources/small.wim", Bytes(kMiB - 1, 6)}, {"readme.txt", "no image\n"}}},
        {&made.pe, {{"WEPE/WEPE64.WIM", made.peWim}, {"WEPE/readme.txt", "WinPE\n"}}},
        {&made.peWithoutWim, {{"WEPE/readme.txt", "WinPE without its image\n"}}},
    };
    int number = 0;
    for (const Tree& t : trees) {
      const fs::path tree = folder.path() / ("tree" + std::to_string(number));
      for (const auto& [name, bytes] : t.files) WriteHostFile(tree / name, bytes);
      *t.iso = folder.path() / ("image" + std::to_string(number++) + ".iso");
      if (made.ready) made.ready = testing_support::MakeIso(tree, *t.iso);
    }
    if (made.ready) made.ready = testing_support::HostProgramPresent("7z", "p7zip-full");
    return made;
  }();
  return isos;
}

// The machines of the cases: C: on disk 0, the program on D: (disk 1).
Json::Value Machine(const std::string& systemStyle, const std::string& version, int extraEfiDisks = 0) {
  Json::Value m = install_testing::InstallMachineJson(systemStyle, extraEfiDisks);
  m["windows"]["version"] = version;
  return m;
}

// What state/processes.jsonl holds of the starts of an install, written out in start order.
class ExpectedStarts {
 public:
  explicit ExpectedStarts(std::string verb) : verb_(std::move(verb)) {}

  // A cmd.exe run of the install; with no working folder it runs in the program's folder.
  ExpectedStarts& Cmd(const std::string& commandLine, const std::string& directory = "D:\\Tarnvik") {
    lines_.push_back(Start("C:\\Windows\\system32\\cmd.exe", directory, commandLine, verb_));
    parent_ = lines_.back()["id"].asInt();
    return *this;
  }
  // A program the last cmd.exe run started: the text after its name up to the next
  // operator, and the C run-time split of that text.
  ExpectedStarts& Child(const std::string& program, const std::string& commandLine,
                        const std::vector<std::string>& arguments) {
    Json::Value start = Start(program, lines_.at(parent_ - 1)["directory"].asString(), commandLine, "");
    start["parent"] = parent_;
    for (const std::string& a : arguments) start["arguments"].append(a);
    lines_.push_back(start);
    return *this;
  }
  ExpectedStarts& Editor(const std::string& commandLine, const std::vector<std::string>& arguments) {
    return Child("D:\\Tarnvik\\tool\\bcdedit.dll", commandLine, arguments);
  }
  // A program the install started itself.
  ExpectedStarts& Program(const std::string& program, const std::string& directory, const std::string& commandLine,
                          const std::vector<std::string>& arguments) {
    lines_.push_back(Start(program, directory, commandLine, verb_));
    for (const std::string& a : arguments) lines_.back()["arguments"].append(a);
    return *this;
  }
  // The two commands that remove a file whatever its attributes.
  ExpectedStarts& DeleteProtected(const std::string& path) {
    return Cmd("/c attrib -s -r -h \"" + path + "\"").Cmd("/c del /q \"" + path + "\"");
  }

  const std::vector<Json::Value>& lines() const { return lines_; }

 private:
  Json::Value Start(const std::string& program, const std::string& directory, const std::string& commandLine,
                    const std::string& verb) const {
    Json::Value start;
    start["id"] = static_cast<int>(lines_.size()) + 1;
    start["program"] = program;
    start["directory"] = directory;
    start["commandLine"] = commandLine;
    start["verb"] = verb;
    start["show"] = 0;
    start["started"] = true;
    return start;
  }

  std::string verb_;
  std::vector<Json::Value> lines_;
  int parent_ = 0;
};

// An ISO mounted on IsoCmd's drive 0, E:, and its largest image file copied out.
void IsoPreparation(ExpectedStarts& s, const std::string& lowerCasedIso) {
  s.Cmd("/c isoCmd -number 1&\t\tisoCmd -i&\t\tisoCmd -eject 0:&\t\tisoCmd -mount 0: \"" + lowerCasedIso +
            "\"&\t\tisoCmd -v >diskInfo.ini",
        "D:\\Tarnvik\\tool");
  const std::string isoCmd = "D:\\Tarnvik\\tool\\IsoCmd.exe";
  s.Child(isoCmd, " -number 1", {"-number", "1"})
      .Child(isoCmd, " -i", {"-i"})
      .Child(isoCmd, " -eject 0:", {"-eject", "0:"})
      .Child(isoCmd, " -mount 0: \"" + lowerCasedIso + "\"", {"-mount", "0:", lowerCasedIso})
      .Child(isoCmd, " -v ", {"-v"});
  s.DeleteProtected("D:\\Tarnvik\\tool\\ghost.gho")
      .Cmd("/c copy \"E:\\sources\\install.wim\" \"D:\\Tarnvik\\tool\\ghost.gho\" /y");
}

void StoreSupportEntry(ExpectedStarts& s) {
  const std::string id = kSupportId;
  s.Cmd("/c bcdedit.dll  /delete " + id + "&\t\t\tbcdedit.dll /create " + id +
            " /d Tarnvik-Support /application bootsector&\t\t\tbcdedit.dll /set  " + id +
            " device partition=C:&\t\t\tbcdedit.dll /set  " + id + " path \\jszc&\t\t\tbcdedit.dll /displayorder " +
            id + " /addlast",
        "D:\\Tarnvik\\tool");
  s.Editor("  /delete " + id, {"/delete", id})
      .Editor(" /create " + id + " /d Tarnvik-Support /application bootsector",
              {"/create", id, "/d", "Tarnvik-Support", "/application", "bootsector"})
      .Editor(" /set  " + id + " device partition=C:", {"/set", id, "device", "partition=C:"})
      .Editor(" /set  " + id + " path \\jszc", {"/set", id, "path", "\\jszc"})
      .Editor(" /displayorder " + id + " /addlast", {"/displayorder", id, "/addlast"});
}

// The WIM extracted when it is not there yet, and SDone.SDI put into C:\.
void RamdiskBootFiles(ExpectedStarts& s, bool extractsWim) {
  if (extractsWim) {
    s.Program("D:\\Tarnvik\\tool\\7z.exe", "D:\\Tarnvik",
              "e D:\\Tarnvik\\PE\\WEPE64.iso -oD:\\Tarnvik\\PE WEPE\\WEPE64.WIM",
              {"e", "D:\\Tarnvik\\PE\\WEPE64.iso", "-oD:\\Tarnvik\\PE", "WEPE\\WEPE64.WIM"});
  }
  s.DeleteProtected("C:\\SDone.SDI")
      .Cmd("/c copy /y \"D:\\Tarnvik\\PE\\SDone.SDI\" C:\\SDone.SDI")
      .Cmd("/c attrib +s +r +h C:\\SDone.SDI");
}

// The RAM-disk entry whose loader is winload.`loader` ("efi" or "exe").
void RamdiskBootEntry(ExpectedStarts& s, const std::string& loader) {
  const std::string id = kPeId, ramdisk = "ramdisk=[D:]\\Tarnvik\\PE\\WEPE64.WIM,{ramdiskoptions}";
  s.Cmd(
      "/c bcdedit.dll /delete  {ramdiskoptions} /f&bcdedit.dll /create  {ramdiskoptions}&bcdedit.dll /set   "
      "{ramdiskoptions} ramdisksdidevice partition=C:&bcdedit.dll /set  {ramdiskoptions} ramdisksdipath  "
      "\\SDone.SDI&bcdedit.dll  /delete " +
          id + "&bcdedit.dll  /create " + id + " /d PRLM-10PE-1.0 /application osloader&bcdedit.dll  /set  " + id +
          " device " + ramdisk + "&bcdedit.dll  /set  " + id + " path \\windows\\system32\\boot\\winload." + loader +
          "&bcdedit.dll  /set  " + id + " osdevice " + ramdisk + "&bcdedit.dll  /set  " + id +
          " systemroot \\windows&bcdedit.dll  /set  " + id + " detecthal Yes&bcdedit.dll  /set  " + id +
          " winpe Yes&bcdedit.dll  /displayorder " + id + " /addlast&bcdedit.dll  /set {bootmgr} timeout 10" +
          "&bcdedit.dll /default " + id,
      "D:\\Tarnvik\\tool");
  s.Editor(" /delete  {ramdiskoptions} /f", {"/delete", "{ramdiskoptions}", "/f"})
      .Editor(" /create  {ramdiskoptions}", {"/create", "{ramdiskoptions}"})
      .Editor(" /set   {ramdiskoptions} ramdisksdidevice partition=C:",
              {"/set", "{ramdiskoptions}", "ramdisksdidevice", "partition=C:"})
      .Editor(" /set  {ramdiskoptions} ramdisksdipath  \\SDone.SDI",
              {"/set", "{ramdiskoptions}", "ramdisksdipath", "\\SDone.SDI"})
      .Editor("  /delete " + id, {"/delete", id})
      .Editor("  /create " + id + " /d PRLM-10PE-1.0 /application osloader",
              {"/create", id, "/d", "PRLM-10PE-1.0", "/application", "osloader"})
      .Editor("  /set  " + id + " device " + ramdisk, {"/set", id, "device", ramdisk})
      .Editor("  /set  " + id + " path \\windows\\system32\\boot\\winload." + loader,
              {"/set", id, "path", "\\windows\\system32\\boot\\winload." + loader})
      .Editor("  /set  " + id + " osdevice " + ramdisk, {"/set", id, "osdevice", ramdisk})
      .Editor("  /set  " + id + " systemroot \\windows", {"/set", id, "systemroot", "\\windows"})
      .Editor("  /set  " + id + " detecthal Yes", {"/set", id, "detecthal", "Yes"})
      .Editor("  /set  " + id + " winpe Yes", {"/set", id, "winpe", "Yes"})
      .Editor("  /displayorder " + id + " /addlast", {"/displayorder", id, "/addlast"})
      .Editor("  /set {bootmgr} timeout 10", {"/set", "{bootmgr}", "timeout", "10"})
      .Editor(" /default " + id, {"/default", id});
}

void GrldrBootFilesAndEntry(ExpectedStarts& s) {
  s.DeleteProtected("C:\\grldr")
      .Cmd("/c copy /y \"D:\\Tarnvik\\PE\\grldr\" C:\\grldr")
      .DeleteProtected("C:\\VQmenu.lst")
      .Cmd("/c move /Y \"D:\\Tarnvik\\VQmenu.lst\" C:\\VQmenu.lst")
      .Cmd("/c attrib +s +r +h C:\\VQmenu.lst")
      .Cmd("/c attrib -s -r -h C:\\boot.ini")
      .Cmd("/c attrib +s +r +h C:\\boot.ini")
      .Cmd("/c bootsect.exe /nt52 C: /mbr", "D:\\Tarnvik\\tool")
      .Child("D:\\Tarnvik\\tool\\bootsect.exe", " /nt52 C: /mbr", {"/nt52", "C:", "/mbr"});
}

void GhostHandoff(ExpectedStarts& s) {
  s.DeleteProtected("C:\\ghostPe.In")
      .Cmd("/c move /Y \"D:\\Tarnvik\\ghostPe.In\" C:\\ghostPe.In")
      .Cmd("/c attrib +s +r +h C:\\ghostPe.In");
}

// The store after the install on a freshly installed Windows of this loader ("efi", "exe").
Json::Value ExpectedStore(const std::string& loader) {
  Json::Value store;
  Json::Value& objects = store["objects"];
  objects["{bootmgr}"]["type"] = "bootmgr";
  objects["{bootmgr}"]["description"] = "Windows Boot Manager";
  objects["{bootmgr}"]["elements"]["timeout"] = "10";
  Json::Value& current = objects["{current}"];
  current["type"] = "osloader";
  current["description"] = "Windows";
  current["elements"]["device"] = "partition=C:";
  current["elements"]["osdevice"] = "partition=C:";
  current["elements"]["path"] = "\\Windows\\system32\\winload." + loader;
  current["elements"]["systemroot"] = "\\Windows";
  Json::Value& support = objects[kSupportId];
  support["type"] = "bootsector";
  support["description"] = "Tarnvik-Support";
  support["elements"]["device"] = "partition=C:";
  support["elements"]["path"] = "\\jszc";
  Json::Value& pe = objects[kPeId];
  pe["type"] = "osloader";
  pe["description"] = "PRLM-10PE-1.0";
  for (const char* device : {"device", "osdevice"}) {
    pe["elements"][device] = "ramdisk=[D:]\\Tarnvik\\PE\\WEPE64.WIM,{ramdiskoptions}";
  }
  pe["elements"]["path"] = "\\windows\\system32\\boot\\winload." + loader;
  pe["elements"]["systemroot"] = "\\windows";
  pe["elements"]["detecthal"] = "Yes";
  pe["elements"]["winpe"] = "Yes";
  Json::Value& ramdisk = objects["{ramdiskoptions}"];
  ramdisk["type"] = "device";
  ramdisk["description"] = "Ramdisk Options";
  ramdisk["elements"]["ramdisksdidevice"] = "partition=C:";
  ramdisk["elements"]["ramdisksdipath"] = "\\SDone.SDI";
  for (const char* id : {"{current}", kSupportId, kPeId}) store["displayOrder"].append(id);
  store["default"] = kPeId;
  return store;
}

class InstallOnMachine : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(TheIsos().ready); }
  void TearDown() override { Close(); }

  // Lays out the machine with make-machine.sh and opens it, with the WinPE component `pe`
  // (a host ISO, or none) downloaded into its PE folder; the machine of an earlier call goes.
  void Make(const Json::Value& machineJson, const fs::path& pe) {
    Close();
    machine_ = std::make_unique<TempMachine>(machineJson, MachineLayout::MadeByScript);
    logged_ = std::make_unique<testing_support::LoggedPlatform>(machine_->machine());
    installed_ = std::make_unique<platform::ScopedPlatform>(*logged_);
    CGlobalParam::Instance();  // built on the test's thread, as the program entry does
    controller_ = std::make_unique<ReinstallController>();  // it reads the machine's volumes
    if (!pe.empty()) Lay(L"D:\\Tarnvik\\PE\\WEPE64.iso", pe);
  }
  void Close() {
    controller_.reset();
    installed_.reset();
    logged_.reset();
    machine_.reset();
    CGlobalParam::Release();
    notices_.installFailed = 0;
    notices_.restartFailed = 0;
  }
  void Lay(const std::wstring& path, const fs::path& hostFile) {
    fs::create_directories(Host(path).parent_path());
    fs::copy_file(hostFile, Host(path), fs::copy_options::overwrite_existing);
  }
  fs::path Host(const std::wstring& path) { return machine_->HostPath(path); }
  // A partition without a letter, as the machine lays it out.
  fs::path Partition(int disk, int partition) {
    return machine_->folder() / "drives" /
           ("Harddisk" + std::to_string(disk) + "Partition" + std::to_string(partition));
  }
  // Windows 10 on GPT with the OS image ISO downloaded, and EFI system partitions, number 1,
  // on disks 0 and 2, each with the boot manager Windows put there.
  void MakeGptIsoMachine() {
    Make(Machine("gpt", "10.0.19045", 1), TheIsos().pe);
    Lay(L"D:\\Tarnvik\\gho-prlm\\Win10.iso", TheIsos().image);
    for (int disk : {0, 2}) WriteHostFile(EfiBootManager(disk), "Windows' own boot manager\n");
  }
  fs::path EfiBootManager(int disk) { return Partition(disk, 1) / "EFI/Microsoft/Boot/bootmgfw.efi"; }

  // Runs the install worker to its end, as the reinstall page starts it once the image and
  // the WinPE component WEPE64.iso are downloaded.
  void RunWorker(const std::wstring& image) {
    auto entry = std::make_unique<OsEntry>();
    entry->name = L"Windows 10 专业版 64位";
    entry->localPath = image;
    controller_->installWorker.reset();
    controller_->osList.clear();
    controller_->selectedOs = entry.get();
    controller_->osList.push_back(std::move(entry));
    controller_->peEntry.fileName = L"WEPE64.iso";
    controller_->installFailureNotice = &notices_;
    controller_->restartFailureNotice = &notices_;
    points_.clear();
    logStart_ = logged_->Log().size();
    install_testing::RunInstallWorker(*controller_, points_);
  }
  const InstallOutcome& Outcome() const { return controller_->installWorker->outcome(); }
  // What the last run logged.
  std::string RunLog() const { return logged_->Log().substr(logStart_); }

  uint32_t Attributes(const std::wstring& path) { return platform::Current().files().GetFileAttributes(path); }
  std::string Text(const std::wstring& path) {
    return platform::Current().files().ReadFile(path).value_or("(missing)");
  }
  std::string ConfigKey(const wchar_t* key) {
    return WideToLocal(platform::Current().profiles().ReadString(L"do", key, L"(missing)", L"D:\\Config.ini"));
  }
  std::vector<Json::Value> State(const std::string& lines) { return ReadStateLines(*machine_, lines); }

  void ExpectStarts(const ExpectedStarts& expected) {
    std::vector<Json::Value> starts = State("processes.jsonl");
    const std::vector<Json::Value>& lines = expected.lines();
    for (Json::Value& start : starts) {
      // The host process of a program is the machine's own business; it is there when it ran.
      if (start.isMember("arguments")) {
        EXPECT_GT(start["pid"].asInt(), 0) << start;
      }
      start.removeMember("pid");
    }
    for (size_t i = 0; i < std::max(starts.size(), lines.size()); ++i) {
      EXPECT_EQ(i < starts.size() ? starts[i] : Json::Value(), i < lines.size() ? lines[i] : Json::Value())
          << "start " << i + 1;
    }
  }

  // The statistics hand-off keys, written whether or not the install got through, in
  // Config.ini on the program's drive, hidden.
  void ExpectStatisticsHandoff() {
    EXPECT_EQ(ConfigKey(L"K"), kStatsKey);
    EXPECT_EQ(DecryptString(ConfigKey(L"FU"), kStatsKey), StatisticsUrl());
    const std::string fd = DecryptedView(ConfigKey(L"FD"));
    EXPECT_NE(fd.find("\nstep=1999"), std::string::npos) << fd;
    EXPECT_EQ(Attributes(L"D:\\Config.ini"), platform::kFileAttributeHidden);
  }
  // The worker's two tracking points, the second carrying the restart result, which stays
  // true when no restart was tried.
  void ExpectPoints(bool restartResult = true) {
    ASSERT_EQ(points_.size(), 2u);
    EXPECT_EQ(points_[0].step, 1302);
    EXPECT_EQ(points_[1].step, 1303);
    const std::string result = restartResult ? "\nreset_succed=1" : "\nreset_succed=0";
    EXPECT_NE(points_[1].view.find(result), std::string::npos) << points_[1].view;
    EXPECT_EQ(controller_->installWorker->restartResult(), restartResult);
  }

  // What a successful install leaves in the drive roots.
  void ExpectInstalled(const std::string& ghost) {
    ExpectStatisticsHandoff();
    EXPECT_EQ(Text(L"C:\\ghostPe.In"), "[ini]\r\nghost=" + ghost + "\r\n");
    EXPECT_EQ(Attributes(L"C:\\ghostPe.In") & kShr, kShr);
    EXPECT_EQ(Text(L"D:\\Tarnvik\\ghostPe.In"), "(missing)");  // moved, not copied
    EXPECT_EQ(Text(L"C:\\jszc"), Text(L"D:\\Tarnvik\\PE\\jszc"));
    EXPECT_EQ(Attributes(L"C:\\jszc"), Attributes(L"D:\\Tarnvik\\PE\\jszc"));
  }
  // One accepted restart request a run, with the privilege enabled.
  void ExpectRestartsAccepted(size_t runs) {
    const std::vector<Json::Value> restarts = State("restarts.jsonl");
    ASSERT_EQ(restarts.size(), runs);
    for (const Json::Value& r : restarts) {
      EXPECT_EQ(r["flags"], 18) << r;
      EXPECT_EQ(r["reason"], 0) << r;
      EXPECT_EQ(r["accepted"], true) << r;
    }
  }
  void ExpectWorkerInstalled() {
    EXPECT_TRUE(Outcome().ok()) << RunLog();
    EXPECT_EQ(notices_.installFailed, 0);
    EXPECT_EQ(notices_.restartFailed, 0);
    ExpectPoints();
  }

  // The RAM-disk path: the store, SDone.SDI in C:\ and the WIM extracted from the component.
  void ExpectRamdiskEntries(const std::string& loader) {
    EXPECT_EQ(ReadStateFile(*machine_, "bcd.json"), ExpectedStore(loader));
    EXPECT_EQ(Text(L"C:\\SDone.SDI"), Text(L"D:\\Tarnvik\\PE\\SDone.SDI"));
    EXPECT_EQ(Attributes(L"C:\\SDone.SDI") & kShr, kShr);
    EXPECT_EQ(Text(L"D:\\Tarnvik\\PE\\WEPE64.WIM"), TheIsos().peWim);
  }
  // The GPT machine's boot manager in both EFI system partitions, with no drive letter left
  // mapped to them.
  void ExpectEfiBootManagers() {
    for (int disk : {0, 2}) {
      EXPECT_EQ(ReadHostFile(EfiBootManager(disk)), Text(L"D:\\Tarnvik\\tool\\bootmgfw.efi")) << "disk " << disk;
    }
    EXPECT_EQ(ReadStateFile(*machine_, "dosdevices.json"), Json::Value(Json::objectValue));
  }

  // A failed install: its log, the failure notice, the hand-off keys, no restart.
  void ExpectFailed(InstallStep step, const std::string& log) {
    EXPECT_EQ(Outcome().failedStep, step);
    EXPECT_EQ(RunLog(), log);
    EXPECT_EQ(notices_.installFailed, 1);
    EXPECT_EQ(notices_.restartFailed, 0);
    ExpectStatisticsHandoff();
    ExpectPoints();
    EXPECT_TRUE(State("restarts.jsonl").empty());
  }

  static constexpr uint32_t kShr =
      platform::kFileAttributeSystem | platform::kFileAttributeHidden | platform::kFileAttributeReadOnly;

  std::unique_ptr<TempMachine> machine_;
  std::unique_ptr<testing_support::LoggedPlatform> logged_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
  size_t logStart_ = 0;
  install_testing::CountingNotices notices_;
  std::unique_ptr<ReinstallController> controller_;
  std::vector<install_testing::PostedPoint> points_;  // written by the worker, read once it has ended
};

// The partition query's trace of C: on a 256 GiB disk: the size's low 32 bits, then the
// disk and the partition number.
std::string PartitionTrace(int partition) { return "-C:-0\nC-1:" + std::to_string(partition) + "\r\n"; }

TEST_F(InstallOnMachine, AGhoOnAnMbrWindows7MachineIsNamedAsItLiesAndBootsTheRamDisk) {
  Make(Machine("mbr", "6.1.7601"), TheIsos().pe);
  machine_->WriteFile(L"D:\\Tarnvik\\gho-prlm\\Win7_X64.GHO", Bytes(4096, 7));
  machine_->WriteFile(L"D:\\Tarnvik\\gho-prlm\\Win7_X86.GHO", Bytes(4096, 8));
  // An earlier install's hand-off, from a program on C:, hidden and read-only.
  machine_->WriteFile(L"C:\\Config.ini", "[do]\r\nK=stale\r\n");
  ASSERT_TRUE(platform::Current().files().SetFileAttributes(L"C:\\Config.ini", kShr));
  ExpectedStarts expected("runas");
  // The second run, of another image, replaces every entry, and the hidden read-only
  // ghostPe.In of the first.
  for (const wchar_t* image : {L"D:\\Tarnvik\\gho-prlm\\Win7_X64.GHO", L"D:\\Tarnvik\\gho-prlm\\Win7_X86.GHO"}) {
    const bool first = expected.lines().empty();
    SCOPED_TRACE(first ? "the first run" : "the second run");
    RunWorker(image);
    ExpectWorkerInstalled();
    ExpectInstalled(WideToLocal(FoldAsciiCapitals(image)));
    ExpectRestartsAccepted(first ? 1 : 2);
    ExpectRamdiskEntries("exe");
    EXPECT_EQ(RunLog(), PartitionTrace(1) + "file is gho\r\n");
    StoreSupportEntry(expected);
    RamdiskBootFiles(expected, first);  // the WIM extracted once is used again
    RamdiskBootEntry(expected, "exe");
    GhostHandoff(expected);
    ExpectStarts(expected);
  }
  EXPECT_TRUE(ReadStateFile(*machine_, "dosdevices.json").isNull());  // no EFI partition, no mapping
  EXPECT_EQ(Text(L"C:\\Config.ini"), "(missing)");
}

TEST_F(InstallOnMachine, AnIsoOnAGptWindows10MachineIsCopiedOutAndEveryEfiPartitionGetsTheBootManager) {
  MakeGptIsoMachine();
  ExpectedStarts expected("runas");
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    RunWorker(L"D:\\Tarnvik\\gho-prlm\\Win10.iso");
    ExpectWorkerInstalled();
    ExpectInstalled("D:\\Tarnvik\\tool\\ghost.gho");
    ExpectRestartsAccepted(run);
    EXPECT_EQ(Text(L"D:\\Tarnvik\\tool\\ghost.gho"), TheIsos().wim);
    ExpectRamdiskEntries("efi");
    ExpectEfiBootManagers();
    // E: holds the mounted image, so F: is the first free letter, each time.
    EXPECT_EQ(RunLog(), PartitionTrace(2) + "find zu Div=F:\r\nfind zu Div=F:\r\n");
    IsoPreparation(expected, "d:\\tarnvik\\gho-prlm\\win10.iso");
    StoreSupportEntry(expected);
    RamdiskBootFiles(expected, run == 1);
    RamdiskBootEntry(expected, "efi");
    GhostHandoff(expected);
    ExpectStarts(expected);
  }
}

TEST_F(InstallOnMachine, TarnvikctlInstallDoesTheSameOnAMachineItIsGivenByARelativePath) {
  MakeGptIsoMachine();
  const testing_support::Outcome run = testing_support::RunProgram(
      {.args = testing_support::TarnvikctlCommand({"install", "--machine", machine_->folder().filename().string(),
                                                   "--image", "D:\\Tarnvik\\gho-prlm\\Win10.iso"}),
       .folder = machine_->folder().parent_path()});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  for (const char* line :
       {"prepared image: D:\\Tarnvik\\tool\\ghost.gho\n", "log: find zu Div=F:\nlog: find zu Div=F:\n",
        "  C:\\SDone.SDI  SHR  (placed, ", "restart: requested and accepted\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }
  ExpectInstalled("D:\\Tarnvik\\tool\\ghost.gho");
  ExpectRestartsAccepted(1);
  EXPECT_EQ(Text(L"D:\\Tarnvik\\tool\\ghost.gho"), TheIsos().wim);
  ExpectRamdiskEntries("efi");
  ExpectEfiBootManagers();
}

TEST_F(InstallOnMachine, WindowsXpOnMbrBootsGrldrThroughBootIniAndNeverStartsTheEditor) {
  Make(Machine("mbr", "5.1.2600"), TheIsos().pe);
  machine_->WriteFile(L"C:\\boot.ini",
                      "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
                      "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP "
                      "Professional\" /fastdetect\r\n");
  ASSERT_TRUE(platform::Current().files().SetFileAttributes(L"C:\\boot.ini", kShr));
  machine_->WriteFile(L"D:\\Tarnvik\\gho-prlm\\winxp.gho", Bytes(4096, 9));
  ExpectedStarts expected("");  // Windows XP knows no "runas"
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    RunWorker(L"D:\\Tarnvik\\gho-prlm\\winxp.gho");
    ExpectWorkerInstalled();
    ExpectInstalled("d:\\tarnvik\\gho-prlm\\winxp.gho");
    ExpectRestartsAccepted(run);
    EXPECT_EQ(RunLog(), PartitionTrace(1) + "file is gho\r\n");
    expected.Cmd("/c attrib -s -r -h C:\\boot.ini");
    GrldrBootFilesAndEntry(expected);
    GhostHandoff(expected);
    ExpectStarts(expected);  // no bcdedit.dll among them
  }
  // Keys are replaced, not repeated; values stand without quotes.
  EXPECT_EQ(Text(L"C:\\boot.ini"),
            "[boot loader]\r\ntimeout=10\r\ndefault=C:\\grldr\r\n[operating systems]\r\n"
            "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
            "C:\\jszc=Tarnvik-Support\r\nC:\\grldr=PRLM-10PE-1.0\r\n");
  for (const wchar_t* file : {L"C:\\boot.ini", L"C:\\grldr", L"C:\\VQmenu.lst"}) {
    EXPECT_EQ(Attributes(file) & kShr, kShr) << WideToLocal(file);
  }
  EXPECT_EQ(Text(L"C:\\grldr"), Text(L"D:\\Tarnvik\\PE\\grldr"));
  EXPECT_EQ(Text(L"C:\\VQmenu.lst"),
            "find --set-root /Tarnvik/PE/WEPE64.iso\r\nmap --mem /Tarnvik/PE/WEPE64.iso (0xff)\r\nmap --hook\r\n"
            "chainloader (0xff)\r\n");
  EXPECT_EQ(Text(L"D:\\Tarnvik\\VQmenu.lst"), "(missing)");
  const std::vector<Json::Value> bootsect = State("bootsect.jsonl");
  ASSERT_EQ(bootsect.size(), 2u);
  for (const Json::Value& b : bootsect) {
    EXPECT_EQ(b["code"], "nt52");
    EXPECT_EQ(b["disk"], 0);
    EXPECT_EQ(b["mbr"], true);
    EXPECT_EQ(b["volume"], "C");
  }
  EXPECT_TRUE(ReadStateFile(*machine_, "bcd.json").isNull());    // the store was never touched
  EXPECT_EQ(Text(L"D:\\Tarnvik\\PE\\WEPE64.WIM"), "(missing)");  // grldr maps the ISO itself
}

TEST_F(InstallOnMachine, ARestartTheMachineDoesNotTakeShowsTheRestartNotice) {
  struct Case {
    const char* fault;  // of machine.json
    size_t requests;    // the lines of state/restarts.jsonl
    const char* logEnd;
  };
  const Case cases[] = {
      {"restart", 1, "restart refused: ExitWindowsEx did not accept the restart\n"},
      {"processToken", 0, "restart refused: the process token cannot be opened to enable SeShutdownPrivilege\n"},
      {"version", 0, "restart not requested: the Windows version cannot be read\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    Json::Value machine = Machine("mbr", "6.1.7601");
    machine["faults"][c.fault] = true;
    Make(machine, TheIsos().pe);
    machine_->WriteFile(L"D:\\Tarnvik\\gho-prlm\\win7.gho", Bytes(4096, 11));
    RunWorker(L"D:\\Tarnvik\\gho-prlm\\win7.gho");
    EXPECT_TRUE(Outcome().ok()) << RunLog();
    EXPECT_EQ(notices_.installFailed, 0);
    EXPECT_EQ(notices_.restartFailed, 1);
    ExpectPoints(false);
    ExpectInstalled("d:\\tarnvik\\gho-prlm\\win7.gho");
    const std::string log = RunLog();
    EXPECT_EQ(log.substr(log.size() - std::min(log.size(), std::strlen(c.logEnd))), c.logEnd) << log;
    const std::vector<Json::Value> restarts = State("restarts.jsonl");
    ASSERT_EQ(restarts.size(), c.requests);
    if (c.requests) {
      EXPECT_EQ(restarts[0]["accepted"], false) << restarts[0];
    }
  }
  // Without the version no start asks for elevation.
  for (const Json::Value& start : State("processes.jsonl")) EXPECT_EQ(start["verb"], "") << start;
}

TEST_F(InstallOnMachine, AFailedStepEndsTheInstallWithItsReasonAndTheStatisticsHandoffStillHappens) {
  const std::string gho = "D:\\Tarnvik\\gho-prlm\\win7.gho";
  struct Case {
    const char* what;
    const char* style;   // of the system disk
    const fs::path* pe;  // the WinPE component downloaded; none when null
    const char* image;
    std::function<void()> lay;  // what else the machine holds
    InstallStep step;
    std::string log;
    std::function<void()> check;  // what else the failure leaves
  };
  const Isos& isos = TheIsos();
  const Case cases[] = {
      {"the WinPE component was not downloaded", "mbr", nullptr, "D:\\Tarnvik\\gho-prlm\\win7.gho", [] {},
       InstallStep::PeBootFiles, PartitionTrace(1) + "file is gho\r\nnot find PeISO.\r\n", [] {}},
      {"the WinPE component holds no WEPE\\WEPE64.WIM", "mbr", &isos.peWithoutWim, "D:\\Tarnvik\\gho-prlm\\win7.gho",
       [] {}, InstallStep::PeBootFiles,
       PartitionTrace(1) + "file is gho\r\nmissing after the step: D:\\Tarnvik\\PE\\WEPE64.WIM\n",
       [this] {
         // 7z ran and said why.
         const std::vector<Json::Value> ends = State("process-exits.jsonl");
         const auto sevenZip = std::find_if(ends.begin(), ends.end(), [](const Json::Value& e) {
           return e["stderr"].asString().find("WEPE\\WEPE64.WIM: No files to process") != std::string::npos;
         });
         ASSERT_NE(sevenZip, ends.end());
         EXPECT_EQ((*sevenZip)["status"], 2);
       }},
      {"the OS image ISO holds no image file of 1 MiB", "gpt", &isos.pe, "D:\\Tarnvik\\gho-prlm\\Tools.iso",
       [this, &isos] { Lay(L"D:\\Tarnvik\\gho-prlm\\Tools.iso", isos.imageWithoutImageFile); },
       InstallStep::ImagePreparation,
       PartitionTrace(2) + "no image file of 1 MiB or more on E: (mounted from "
                           "d:\\tarnvik\\gho-prlm\\tools.iso)\nGetGHOSTFILE error\r\n",
       [this] { EXPECT_EQ(Text(L"D:\\Tarnvik\\tool\\ghost.gho"), "(missing)"); }},
      {"IsoCmd.exe is not in the tool folder", "gpt", &isos.pe, "D:\\Tarnvik\\gho-prlm\\Win10.iso",
       [this, &isos] {
         Lay(L"D:\\Tarnvik\\gho-prlm\\Win10.iso", isos.image);
         fs::remove(Host(L"D:\\Tarnvik\\tool\\IsoCmd.exe"));
       },
       InstallStep::ImagePreparation, PartitionTrace(2) + "IsoCmd.exe Tool not Find.\nGetGHOSTFILE error\r\n",
       [this] { EXPECT_TRUE(State("processes.jsonl").empty()); }},
      {"a folder named ghostPe.In in C:\\ takes the hand-off file in", "mbr", &isos.pe,
       "D:\\Tarnvik\\gho-prlm\\win7.gho", [this] { fs::create_directories(Host(L"C:\\ghostPe.In")); },
       InstallStep::GhostHandoff, PartitionTrace(1) + "file is gho\r\nmissing after the step: C:\\ghostPe.In\n",
       [this] {
         EXPECT_EQ(Text(L"C:\\ghostPe.In\\ghostPe.In"), "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\win7.gho\r\n");
       }},
      {"an older read-only ghostPe.In in the program folder cannot be rewritten", "mbr", &isos.pe,
       "D:\\Tarnvik\\gho-prlm\\win7.gho",
       [this] {
         machine_->WriteFile(L"D:\\Tarnvik\\ghostPe.In", "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\older.gho\r\n");
         ASSERT_TRUE(platform::Current().files().SetFileAttributes(L"D:\\Tarnvik\\ghostPe.In",
                                                                   platform::kFileAttributeReadOnly));
       },
       InstallStep::GhostHandoff,
       PartitionTrace(1) + "file is gho\r\ncannot write D:\\Tarnvik\\ghostPe.In\nC:\\ghostPe.In names "
                           "d:\\tarnvik\\gho-prlm\\older.gho, "
                           "not d:\\tarnvik\\gho-prlm\\win7.gho: the older file was not replaced\n",
       [this] {
         // The failed run moved the older file out of the program folder: a retry installs.
         EXPECT_EQ(Text(L"D:\\Tarnvik\\ghostPe.In"), "(missing)");
         RunWorker(L"D:\\Tarnvik\\gho-prlm\\win7.gho");
         EXPECT_TRUE(Outcome().ok()) << RunLog();
         EXPECT_EQ(Text(L"C:\\ghostPe.In"), "[ini]\r\nghost=d:\\tarnvik\\gho-prlm\\win7.gho\r\n");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Make(Machine(c.style, c.style == std::string("gpt") ? "10.0.19045" : "6.1.7601",
                 c.style == std::string("gpt") ? 1 : 0),
         c.pe ? *c.pe : fs::path());
    machine_->WriteFile(L"D:\\Tarnvik\\gho-prlm\\win7.gho", Bytes(4096, 10));
    c.lay();
    RunWorker(LocalToWide(c.image));
    ExpectFailed(c.step, c.log);
    c.check();
  }
}

}  // namespace
