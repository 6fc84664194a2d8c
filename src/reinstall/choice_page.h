#pragma once
// What the controller asks of the choice page (step 1): its warnings and dialogs. The
// reinstall pages implement them; tarnvikctl answers them on the console.

#include <string>

class IChoicePage {
 public:
  virtual ~IChoicePage() = default;
  // A message box titled "提示" with the button "确定".
  virtual void ShowMessage(const std::wstring& text) = 0;
  // "磁盘容量不足，请检查磁盘空间".
  virtual void ShowDiskSpaceWarning() = 0;
  // The BIOS-unlock dialog: 2 when the user answered "我已解锁", else 0.
  virtual int AskFirmwareUnlocked() = 0;
  // The AHCI dialog: 2 when the user answered "继续装机", else 0.
  virtual int AskAhciContinue() = 0;
  // Re-applies every row's state to its status display.
  virtual void RefreshStates() = 0;
};
