#pragma once
// What the system check shows while it runs: the operations of the check page, called
// from the check worker's thread. The reinstall pages implement them.

#include <cstdint>
#include <string>

class ICheckPage {
 public:
  enum class Item { Hardware, Software, Network, Memory };

  virtual ~ICheckPage() = default;
  // Back to the checking state: progress 0, results hidden, recommendation empty.
  virtual void BeginCheck() = 0;
  // The item's spinner turns.
  virtual void ItemChecking(Item item) = 0;
  // The boot mode ("UEFI 启动", or "未知启动方式" when not ok).
  virtual void HardwareResult(const std::wstring& text, bool ok) = 0;
  virtual void MemoryResult(int64_t bytes) = 0;
  // The running system ("Win7 64位 旗舰版").
  virtual void SoftwareResult(const std::wstring& text) = 0;
  virtual void NetworkResult(bool ok) = 0;
  // The label of the recommended system, for "根据您的电脑配置，推荐您安装 %s".
  virtual void Recommendation(const std::wstring& label) = 0;
  virtual void EndCheck() = 0;
  // The progress bar, 0 to 100.
  virtual void SetProgress(int value) = 0;
};
