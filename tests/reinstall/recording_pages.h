#pragma once
// The choice page and the USB-removal prompt as the reinstall tests answer them (the
// download page's recorder is download_fixture.h's).

#include <string>
#include <vector>

#include "reinstall/choice_page.h"
#include "reinstall/usb_removal_prompt.h"

namespace reinstall_testing {

class RecordingChoicePage : public IChoicePage {
 public:
  void ShowMessage(const std::wstring& text) override { messages.push_back(text); }
  void ShowDiskSpaceWarning() override { messages.push_back(L"磁盘容量不足，请检查磁盘空间"); }
  int AskFirmwareUnlocked() override {
    asked.push_back("firmware");
    return answer;
  }
  int AskAhciContinue() override {
    asked.push_back("ahci");
    return answer;
  }
  void RefreshStates() override { ++refreshes; }

  int answer = 2;  // what the dialogs return
  std::vector<std::wstring> messages;
  std::vector<std::string> asked;
  int refreshes = 0;
};

// Answers the USB-removal prompt from a list, then 0.
class ScriptedUsbPrompt : public IUsbRemovalPrompt {
 public:
  int AskToRemoveUsbDisks() override {
    int answer = asked < static_cast<int>(answers.size()) ? answers[asked] : 0;
    ++asked;
    return answer;
  }
  std::vector<int> answers;
  int asked = 0;
};

}  // namespace reinstall_testing
