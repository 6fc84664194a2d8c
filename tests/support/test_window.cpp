#include "support/test_window.h"

namespace testing_support {

TestWindow::TestWindow(TempMachine& machine, const std::wstring& name, const std::string& xml,
                       std::wstring className)
    : file_(name), className_(std::move(className)) {
  machine.WriteFile(L"D:\\Tarnvik\\skin\\test\\" + name, xml);
}

void TestWindow::Notify(DuiLib::TNotifyUI& msg) {
  std::wstring note = msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : L"");
  if (msg.sType == DuiLib::DUI_MSGTYPE_ITEMSELECT) {
    note += L":" + std::to_wstring(static_cast<long>(msg.wParam)) + L":" + std::to_wstring(msg.lParam);
  }
  notes.push_back(note);
  WindowImplBase::Notify(msg);
}

DuiLib::CControlUI* TestWindow::CreateControl(DuiLib::LPCTSTR className) {
  // A custom class of the tests: a label that knows its own class name.
  if (std::wstring(className) == L"Custom") {
    auto* label = new DuiLib::CLabelUI;
    label->SetTag(42);
    return label;
  }
  return nullptr;
}

DuiLib::LRESULT TestWindow::HandleCustomMessage(DuiLib::UINT msg, DuiLib::WPARAM wParam, DuiLib::LPARAM,
                                                bool& handled) {
  handled = false;
  if (msg == DuiLib::WM_TIMER) {
    timerIds.push_back(wParam);
  } else if (msg >= 3000 && msg < 4000) {
    customMessages.push_back(msg);
    handled = true;
    if (onMessage) return onMessage(msg, wParam);
  }
  return 0;
}

std::string WindowXml(const std::string& body, const std::string& size) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Window size=\"" + size +
         "\">\n"
         "  <Font id=\"0\" name=\"微软雅黑\" size=\"12\" default=\"true\" />\n"
         "  <Font id=\"1\" name=\"微软雅黑\" size=\"13\" />\n"
         "  <Font id=\"2\" name=\"微软雅黑\" size=\"14\" bold=\"true\" />\n" +
         body + "\n</Window>\n";
}

}  // namespace testing_support
