// tarnvikctl check: runs the program's system check on a simulated machine, headless,
// against the configured services, and prints what the check page would show and what
// the check stored. Support staff use it to see why a machine got its recommendation.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/global_param.h"
#include "app/service_config.h"
#include "arguments.h"
#include "catalogue/check_page.h"
#include "catalogue/check_texts.h"
#include "catalogue/sys_check_thread.h"
#include "command.h"
#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "reinstall/reinstall_controller.h"

namespace {

constexpr char kUsage[] = "check --machine DIR             the system check of a machine, and what it found";

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

const char* Mark(bool ok) { return ok ? "[ok]" : "[failed]"; }

// The check page's lines, as it would show them.
class PrintedCheckPage : public ICheckPage {
 public:
  void BeginCheck() override {}
  void ItemChecking(Item) override {}
  void HardwareResult(const std::wstring& text, bool ok) override {
    Set(hardware_, "boot mode: " + Utf8(text) + " " + Mark(ok));
  }
  void MemoryResult(int64_t bytes) override {
    Set(memory_, "memory: " + Utf8(MemoryText(bytes)) + " (" + std::to_string(bytes) + " bytes)");
  }
  void SoftwareResult(const std::wstring& text) override { Set(software_, "system: " + Utf8(text) + " [ok]"); }
  void NetworkResult(bool ok) override { Set(network_, "network: " + Utf8(NetworkText(ok)) + " " + Mark(ok)); }
  void Recommendation(const std::wstring& label) override {
    Set(recommendation_, "recommendation: " + Utf8(RecommendationSentence(label)));
  }
  void EndCheck() override {}
  void SetProgress(int) override {}

  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return {hardware_, memory_, software_, network_, recommendation_};
  }

 private:
  void Set(std::string& line, const std::string& text) {
    std::lock_guard lock(mutex_);
    line = text;
  }

  std::mutex mutex_;
  std::string hardware_, memory_, software_, network_, recommendation_;
};

// The check lasts about two seconds plus its network steps, each of them bounded.
bool WaitForCheck(ReinstallController& controller) {
  for (int i = 0; i < 6000 && controller.checkWorker->IsRunning(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !controller.checkWorker->IsRunning();
}

void PrintResults(PrintedCheckPage& page, const ReinstallController& controller) {
  for (const std::string& line : page.Lines()) std::printf("%s\n", line.c_str());
  for (const auto& e : controller.osList) {
    std::printf("%d\t%d\t%s\t%s\n", e->state, e->bits, Utf8(e->fileName).c_str(), Utf8(e->name).c_str());
  }
  const PeEntry& pe = controller.peEntry;
  std::printf("WinPE:\t%s\t%lld\t%s\t%d\n", Utf8(pe.fileName).c_str(), static_cast<long long>(pe.size),
              Utf8(pe.url).c_str(), pe.state);
}

// "http://HOST[:PORT][/PATH]" or the same with https: what the program's requests are
// built on.
bool IsServiceUrl(const std::string& base) {
  size_t start = base.rfind("http://", 0) == 0 ? 7 : base.rfind("https://", 0) == 0 ? 8 : 0;
  if (start == 0) return false;
  size_t end = base.find('/', start);
  std::string authority = base.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t colon = authority.rfind(':');
  std::string host = authority.substr(0, colon);
  if (host.empty() || host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") !=
                          std::string::npos) {
    return false;
  }
  if (colon == std::string::npos) return true;
  std::string port = authority.substr(colon + 1);
  return !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos &&
         std::stoi(port) >= 1 && std::stoi(port) <= 65535;
}

std::string MachineOption(const std::vector<std::string>& args) {
  std::string folder;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--machine") {
      folder = tarnvikctl::OptionValue(args, i);
    } else if (args[i].rfind('-', 0) == 0) {
      tarnvikctl::UnknownOption(args[i]);
    } else {
      throw tarnvikctl::UsageError("unexpected argument '" + args[i] + "'");
    }
  }
  if (folder.empty()) throw tarnvikctl::UsageError("--machine DIR is required");
  return folder;
}

int RunCheck(const std::vector<std::string>& args) {
  const std::string folder = MachineOption(args);
  if (const std::string base = ServiceBase(); !IsServiceUrl(base)) {
    std::fprintf(stderr, "tarnvikctl check: the service address '%s'%s is not a URL (http://HOST[:PORT])\n",
                 base.c_str(), std::getenv("TARNVIK_SERVICE_BASE") ? " (TARNVIK_SERVICE_BASE)" : "");
    return 2;
  }
  std::unique_ptr<sim::SimPlatform> machine;
  try {
    machine = std::make_unique<sim::SimPlatform>(folder);
  } catch (const sim::MachineError& e) {
    std::fprintf(stderr, "tarnvikctl check: %s\n", e.what());
    return 1;
  }
  platform::ScopedPlatform installed(*machine);
  std::shared_ptr<CGlobalParam> params = CGlobalParam::Instance();
  int result = 0;
  {
    PrintedCheckPage page;
    ReinstallController controller;
    controller.checkPage = &page;
    controller.StartSystemCheck();
    if (WaitForCheck(controller)) {
      PrintResults(page, controller);
    } else {
      std::fputs("tarnvikctl check: the check did not end\n", stderr);
      result = 1;
    }
  }
  params.reset();
  CGlobalParam::Release();
  std::fflush(stdout);
  return result;
}

const bool registered = tarnvikctl::RegisterCommand({"check", kUsage, RunCheck});

}  // namespace
