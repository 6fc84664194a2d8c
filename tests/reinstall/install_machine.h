#pragma once
// What the install tests share: a machine with the program's files in place, the effect
// of the file commands the install relies on, the commands started, as text, and the
// install worker run to its end.

#include <json/json.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "platform/platform.h"
#include "reinstall/install_notices.h"
#include "reinstall/install_thread.h"
#include "reinstall/reinstall_controller.h"
#include "stats/query_view.h"
#include "support/recording_platform.h"
#include "support/temp_machine.h"

namespace install_testing {

// C: on disk 0 (GPT with its EFI system partition first, or MBR with C: active), the
// program at D:\Tarnvik on disk 1; `extraEfiDisks` more GPT disks with an EFI system
// partition each.
inline Json::Value InstallMachineJson(const std::string& systemStyle, int extraEfiDisks = 0) {
  Json::Value m = testing_support::MinimalMachine();
  Json::Value& system = m["disks"][0];
  system["style"] = systemStyle;
  Json::Value c = system["partitions"][0];
  system["partitions"] = Json::Value(Json::arrayValue);
  Json::Value efi;
  efi["number"] = 1;
  efi["type"] = "efi";
  efi["sizeBytes"] = Json::Int64(100) << 20;
  efi["fileSystem"] = "FAT32";
  if (systemStyle == "gpt") {
    system["partitions"].append(efi);
    c["number"] = 2;
  } else {
    c["active"] = true;
  }
  system["partitions"].append(c);
  for (int i = 0; i < extraEfiDisks; ++i) {
    Json::Value disk;
    disk["number"] = 2 + i;
    disk["bus"] = "sata";
    disk["sizeBytes"] = Json::Int64(64) << 30;
    disk["style"] = "gpt";
    disk["partitions"].append(efi);
    m["disks"].append(disk);
  }
  return m;
}

// The files the download step and the program's installer leave in the program folder.
inline void LayProgramFiles(testing_support::TempMachine& m) {
  m.WriteFile(L"D:\\Tarnvik\\PE\\WEPE64.iso", "iso");
  m.WriteFile(L"D:\\Tarnvik\\PE\\jszc", "jszc");
  m.WriteFile(L"D:\\Tarnvik\\PE\\SDone.SDI", "sdi");
  m.WriteFile(L"D:\\Tarnvik\\PE\\grldr", "grldr");
  m.WriteFile(L"D:\\Tarnvik\\tool\\bootmgfw.efi", "bootmgr");
}

// What del, copy and move do to the machine's files, for the commands the install runs
// through the interpreter; every other command (attrib, the editor, the tools) does
// nothing. Always lets the command start.
inline bool ApplyFileCommand(const platform::ShellExecuteRequest& r) {
  platform::Files& files = platform::Current().files();
  std::wsmatch match;
  if (std::regex_match(r.parameters, match, std::wregex(LR"re(/c del /q "(.+)")re"))) {
    files.RemoveFile(match[1]);
  } else if (std::regex_match(r.parameters, match, std::wregex(LR"re(/c copy "(.+)" "(.+)" /y)re")) ||
             std::regex_match(r.parameters, match, std::wregex(LR"re(/c copy /y "(.+)" (\S+))re"))) {
    files.CopyFile(match[1], match[2], false);
  } else if (std::regex_match(r.parameters, match, std::wregex(LR"re(/c move /Y "(.+)" (\S+))re"))) {
    if (!files.FileExists(match[2]) && files.CopyFile(match[1], match[2], true)) files.RemoveFile(match[1]);
  }
  return true;
}

// A start as "verb|program|parameters|folder", the verb and folder empty when none.
inline std::wstring Describe(const testing_support::RecordingPlatform::Start& s) {
  return s.request.verb + L"|" + s.request.file + L"|" + s.request.parameters + L"|" +
         s.request.directory.value_or(L"") + (s.waited ? L"" : L" (not waited for)");
}

inline std::vector<std::wstring> DescribeStarts(const testing_support::RecordingPlatform& recorder) {
  std::vector<std::wstring> out;
  for (const auto& s : recorder.Starts()) out.push_back(Describe(s));
  return out;
}

// A temporary machine seen through the recording platform, with fresh global parameters.
class RecordedMachine {
 public:
  explicit RecordedMachine(const Json::Value& machine) : machine_(machine) { CGlobalParam::Release(); }
  ~RecordedMachine() { CGlobalParam::Release(); }

  testing_support::TempMachine& machine() { return machine_; }
  testing_support::RecordingPlatform& recorder() { return recorder_; }
  std::string HostText(const std::wstring& path) {
    auto text = machine_.machine().files().ReadFile(path);
    return text ? *text : "(missing)";
  }

 private:
  testing_support::TempMachine machine_;
  testing_support::RecordingPlatform recorder_{machine_.machine()};
  platform::ScopedPlatform installed_{recorder_};
};

// The worker's notices to the windows, counted.
class CountingNotices : public IInstallFailureNotice, public IRestartFailureNotice {
 public:
  void PostInstallFailed() override { ++installFailed; }
  void ShowRestartFailed() override { ++restartFailed; }
  std::atomic<int> installFailed{0};
  std::atomic<int> restartFailed{0};
};

struct PostedPoint {
  int32_t step;
  std::string view;  // the decrypted query
};

// Starts a new install worker for `controller` and waits for its end; its tracking points
// land in `points`, which the worker writes until then.
inline void RunInstallWorker(ReinstallController& controller, std::vector<PostedPoint>& points) {
  controller.installWorker = std::make_unique<CInstallThread>(controller, [&points](std::unique_ptr<FixedPointBase> p) {
    points.push_back({p->step, DecryptedView(p->BuildQuery())});
  });
  ASSERT_TRUE(controller.installWorker->Start());
  while (controller.installWorker->IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace install_testing
