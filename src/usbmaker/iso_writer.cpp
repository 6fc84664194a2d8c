#include "usbmaker/iso_writer.h"

#include <atomic>
#include <thread>

#include "app/log.h"
#include "app/program_folders.h"
#include "app/run_hidden.h"
#include "usbmaker/boot_image_commands.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_driver_timing.h"
#include "usbmaker/tool_windows.h"

namespace {

using platform::WindowHandle;

const wchar_t kWriterClass[] = L"TfrmUSBWrite";
const wchar_t kWriterTitle[] = L"写入硬盘映像";

platform::Windows& Windows() { return platform::Current().windows(); }

// The thread that works the writer's window while the pipeline waits for iso.dll.
class IsoWriterDriver {
 public:
  explicit IsoWriterDriver(wchar_t letter) : targetLetter_(letter), thread_([this] { Run(); }) {}
  ~IsoWriterDriver() { Finish(); }

  // Called once iso.dll has ended (or never started): the window will not come any more.
  // Whether a write ran to its end.
  bool Finish() {
    toolEnded_ = true;
    if (thread_.joinable()) thread_.join();
    return wrote_;
  }

 private:
  void Run() {
    const WindowHandle writer = AwaitTopWindow(kWriterClass, kWriterTitle, toolEnded_);
    if (writer == 0) return;
    Windows().EnumChildWindows(writer, [this](WindowHandle child) {
      ApplyControlRule(child);
      return true;
    });
    Pause(toolDriverTiming.settle);
    Windows().ShowWindow(writer, platform::kSwShow);
    Windows().ShowWindow(writer, platform::kSwHide);
    if (targetLetter_ != 0) {
      Trace(L"failed write \n");
    } else {
      Write();
    }
    // Closed in every case, an abandoned make included, so that the waiting command ends.
    Windows().SendMessage(writer, platform::kWmClose, 0, 0);
  }

  void Write() {
    Windows().PostMessage(writeButton_, platform::kBmClick, 0, 0);
    Trace(L"b1\n");
    const WindowHandle question = AwaitTopWindow(L"#32770", L"提示", toolEnded_);
    if (question == 0) return;
    Pause(toolDriverTiming.settle);
    Windows().EnumChildWindows(question, [this](WindowHandle child) {
      ApplyControlRule(child);
      return true;
    });
    Trace(L"start write \n");
    Pause(toolDriverTiming.settle);
    for (std::wstring progress = TextOf(progressText_); !progress.empty(); progress = TextOf(progressText_)) {
      if (toolAbort) return;
      if (progress.substr(0, progress.find(L'.')) == L"100") Pause(toolDriverTiming.completion);
      if (Windows().GetWindowStyle(stopButton_) & platform::kWsDisabled) {
        wrote_ = true;
        return;
      }
      Pause(toolDriverTiming.progressPoll);
    }
  }

  // Applied to every child in turn; all tests apply to each child.
  void ApplyControlRule(WindowHandle child) {
    const std::wstring className = ClassOf(child), text = TextOf(child);
    const bool button = Contains(className, L"Button"), comboBox = Contains(className, L"TComboBox");
    if (button && Contains(text, L"终止")) stopButton_ = child;
    if (button && Contains(text, L"写入")) writeButton_ = child;
    if (button && Contains(text, L"是")) Windows().SendMessage(child, platform::kBmClick, 0, 0);
    if (Contains(className, L"TStaticText") && Contains(text, L"0%")) progressText_ = child;
    if (comboBox && Contains(text, L"无")) hideList_ = child;
    if (comboBox && Contains(text, L"USB-HDD+") && Windows().SendMessage(child, platform::kCbSetCurSel, 4, 0) == 4) {
      const intptr_t added = Windows().SendMessage(hideList_, platform::kCbAddString, 0, std::wstring(L"深度隐藏"));
      Windows().SendMessage(hideList_, platform::kCbSetCurSel, static_cast<uintptr_t>(added), 0);
    }
    if (comboBox && Contains(text, L"(") && targetLetter_ != 0) {
      // The letter counts as handled only once its drive is selected: a list without it
      // must not leave the writer on another drive.
      const intptr_t found = Windows().SendMessage(child, platform::kCbFindString, 200,
                                                   FillTemplate(L"(%c:", {targetLetter_}));
      if (found != platform::kCbErr &&
          Windows().SendMessage(child, platform::kCbSetCurSel, static_cast<uintptr_t>(found), 0) == found) {
        targetLetter_ = 0;
      }
    }
  }

  wchar_t targetLetter_;
  WindowHandle stopButton_ = 0, writeButton_ = 0, progressText_ = 0, hideList_ = 0;
  std::atomic<bool> toolEnded_{false};
  std::atomic<bool> wrote_{false};
  std::thread thread_;  // last: it starts once the state above is set
};

}  // namespace

bool WriteImageWithIsoWriter(wchar_t letter) {
  const std::wstring tool = ToolFolder();
  platform::Files& files = platform::Current().files();
  if (!files.FileExists(tool + L"\\Uiso.iso")) {
    if (toolAbort) return false;
    RunHidden(L"cmd.exe", UnpackBootFilesCommand(), tool, true);
    if (toolAbort) return false;
    RunHidden(L"cmd.exe", kBuildBootImageCommand, tool, true);
  }
  if (!files.FileExists(tool + L"\\iso.dll")) {
    LogText("not find iso.dll file\r\n");
    return false;
  }
  if (WindowHandle open = Windows().FindWindow(kWriterClass, kWriterTitle)) {
    Windows().SendMessage(open, platform::kWmClose, 0, 0);
  }
  IsoWriterDriver driver(letter);
  if (toolAbort) return false;
  RunHidden(L"cmd.exe", L"/c iso.dll -ini Uiso.iso -writeusb", tool, true);
  return driver.Finish() && !toolAbort;
}
