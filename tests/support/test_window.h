#pragma once
// A skinned window built from XML given by the test, written into the machine's program
// folder, with every notification and custom message it receives kept in order.

#include <functional>
#include <string>
#include <vector>

#include "skin/skin.h"
#include "support/temp_machine.h"

namespace testing_support {

class TestWindow : public DuiLib::WindowImplBase {
 public:
  // Writes `xml` as D:\Tarnvik\skin\test\NAME and uses it as the window's skin.
  TestWindow(TempMachine& machine, const std::wstring& name, const std::string& xml,
             std::wstring className = L"TestWindow");

  void Notify(DuiLib::TNotifyUI& msg) override;
  DuiLib::CControlUI* CreateControl(DuiLib::LPCTSTR className) override;

  // "type:sender" for each notification, "type:sender:wParam:lParam" for itemselect.
  std::vector<std::wstring> notes;
  std::vector<DuiLib::UINT> customMessages;
  std::vector<DuiLib::UINT_PTR> timerIds;
  // Runs on each custom message (3000 to 3999); its answer is the message's result.
  std::function<DuiLib::LRESULT(DuiLib::UINT msg, DuiLib::WPARAM wParam)> onMessage;

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return className_.c_str(); }
  DuiLib::CDuiString GetSkinFolder() override { return L"skin\\test\\"; }
  DuiLib::CDuiString GetSkinFile() override { return file_; }
  DuiLib::LRESULT HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                      bool& handled) override;

 private:
  std::wstring file_;
  std::wstring className_;
};

// A window of 300 x 200 around the given controls, with fonts 0 to 2.
std::string WindowXml(const std::string& body, const std::string& size = "300,200");

}  // namespace testing_support
