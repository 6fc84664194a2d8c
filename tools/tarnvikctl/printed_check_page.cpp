#include "printed_check_page.h"

#include <chrono>
#include <thread>

#include "catalogue/check_texts.h"
#include "platform/codepage.h"
#include "reinstall/reinstall_controller.h"

namespace tarnvikctl {
namespace {

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

const char* Mark(bool ok) { return ok ? "[ok]" : "[failed]"; }

}  // namespace

void PrintedCheckPage::HardwareResult(const std::wstring& text, bool ok) {
  Set(hardware_, "boot mode: " + Utf8(text) + " " + Mark(ok));
}

void PrintedCheckPage::MemoryResult(int64_t bytes) {
  Set(memory_, "memory: " + Utf8(MemoryText(bytes)) + " (" + std::to_string(bytes) + " bytes)");
}

void PrintedCheckPage::SoftwareResult(const std::wstring& text) { Set(software_, "system: " + Utf8(text) + " [ok]"); }

void PrintedCheckPage::NetworkResult(bool ok) { Set(network_, "network: " + Utf8(NetworkText(ok)) + " " + Mark(ok)); }

void PrintedCheckPage::Recommendation(const std::wstring& label) {
  Set(recommendation_, "recommendation: " + Utf8(RecommendationSentence(label)));
}

std::vector<std::string> PrintedCheckPage::Lines() {
  std::lock_guard lock(mutex_);
  return {hardware_, memory_, software_, network_, recommendation_};
}

void PrintedCheckPage::Set(std::string& line, const std::string& text) {
  std::lock_guard lock(mutex_);
  line = text;
}

bool WaitForCheck(ReinstallController& controller) {
  for (int i = 0; i < 6000 && controller.checkWorker->IsRunning(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !controller.checkWorker->IsRunning();
}

}  // namespace tarnvikctl
