#pragma once
// The check page on the console: the lines the program's check page would show, kept as
// the check worker reports them from its thread.

#include <mutex>
#include <string>
#include <vector>

#include "catalogue/check_page.h"

class ReinstallController;

namespace tarnvikctl {

class PrintedCheckPage : public ICheckPage {
 public:
  void BeginCheck() override {}
  void ItemChecking(Item) override {}
  void HardwareResult(const std::wstring& text, bool ok) override;
  void MemoryResult(int64_t bytes) override;
  void SoftwareResult(const std::wstring& text) override;
  void NetworkResult(bool ok) override;
  void Recommendation(const std::wstring& label) override;
  void EndCheck() override {}
  void SetProgress(int) override {}

  std::vector<std::string> Lines();

 private:
  void Set(std::string& line, const std::string& text);

  std::mutex mutex_;
  std::string hardware_, memory_, software_, network_, recommendation_;
};

// Waits for the controller's check worker to end; false when it did not within a minute
// (the check lasts about two seconds plus its network steps, each of them bounded).
bool WaitForCheck(ReinstallController& controller);

}  // namespace tarnvikctl
