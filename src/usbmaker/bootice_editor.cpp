#include "usbmaker/bootice_editor.h"

#include <atomic>
#include <thread>

#include "app/program_folders.h"
#include "app/run_hidden.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_driver_timing.h"
#include "usbmaker/tool_windows.h"

namespace {

using platform::WindowHandle;

platform::Windows& Windows() { return platform::Current().windows(); }

int Number(WindowHandle window) { return static_cast<int>(window); }

// The thread that works one editor's dialog while the pipeline waits for bootice.exe.
class BooticeDriver {
 public:
  BooticeDriver(wchar_t letter, int disk) : letter_(letter), bcdDiskNumber_(disk), thread_([this] { Run(); }) {}
  ~BooticeDriver() { Finish(); }

  // Called once bootice.exe has ended (or never started). Whether the store was saved.
  bool Finish() {
    toolEnded_ = true;
    if (thread_.joinable()) thread_.join();
    return done_;
  }

 private:
  void Run() {
    Trace(L"finding Iso-%c\n", {letter_});
    bcdDialog_ = AwaitTopWindow(L"#32770", L"BCD (Boot Configuration Data) 编辑", toolEnded_);
    if (bcdDialog_ == 0) return;
    Trace(L"findIso-%c\n", {letter_});
    Windows().ShowWindow(bcdDialog_, platform::kSwShow);
    Windows().ShowWindow(bcdDialog_, platform::kSwHide);
    Pause(toolDriverTiming.editorSettle);
    Windows().ShowWindow(bcdDialog_, platform::kSwHide);
    Windows().EnumChildWindows(bcdDialog_, [this](WindowHandle child) {
      ApplyControlRule(child);
      return true;
    });
    done_ = DialogProcedure();
  }

  void ApplyControlRule(WindowHandle child) {
    const std::wstring className = ClassOf(child);
    if (comboCount_ < 4 && Contains(className, L"ComboBox")) {
      Trace(L"c--%d\n", {Number(child)});
      ++comboCount_;
      if (comboCount_ == 2) {
        Trace(L"启动盘");
        diskList_ = child;
      } else if (comboCount_ == 3) {
        Pause(toolDriverTiming.settle);
        Trace(L"\n--启动分区--\n");
        partitionList_ = child;
      }
    }
    if (!Contains(className, L"Button")) return;
    const std::wstring text = TextOf(child);
    if (Contains(text, L"保存当前系统设置")) {
      saveButton_ = child;
      Trace(L"--Find保存\n");
    } else if (Contains(text, L"关闭")) {
      closeButton_ = child;
      Trace(L"--Find关闭\n");
    } else if (Contains(text, L"确定")) {
      okButton_ = child;
      Trace(L"--Find确定\n");
    }
  }

  // Whether the store was saved and the editor closed.
  bool DialogProcedure() {
    const std::wstring disk = FillTemplate(L"rm%d:", {bcdDiskNumber_});
    intptr_t found = platform::kCbErr;
    if (diskList_ != 0) {
      Trace(L"b-%s\n", {disk});
      found = Windows().SendMessage(diskList_, platform::kCbFindString, 200, disk);
    }
    // Without the disk (or without a disk list) nothing is chosen or saved; the editor is
    // still closed, so that the command waiting for it ends.
    const bool saved = found > 0 && ChooseAndSave(found);
    Trace(L"--关闭\n");
    if (closeButton_ != 0) {
      Windows().SendMessage(closeButton_, platform::kBmClick, 0, 0);
    } else {
      Windows().SendMessage(bcdDialog_, platform::kWmClose, 0, 0);
    }
    Trace(L"\n----%s-----\n", {disk});
    return saved;
  }

  // The disk at `index` is chosen through the keyboard, from the item above it, so that
  // the dialog reacts as to a user's choice and fills its partition list.
  bool ChooseAndSave(intptr_t index) {
    Trace(L"b3\n");
    Windows().SendMessage(diskList_, platform::kCbSetCurSel, static_cast<uintptr_t>(index - 1), 0);
    PressKey(diskList_, platform::kVkDown);
    const intptr_t added = Windows().SendMessage(partitionList_, platform::kCbAddString, 0, std::wstring(L"3:("));
    Windows().SendMessage(partitionList_, platform::kCbSetCurSel, static_cast<uintptr_t>(added), 0);
    Windows().SendMessage(partitionList_, platform::kWmSetFocus, 0, 0);
    for (int i = 0; i < 2; ++i) {
      Windows().SendMessage(partitionList_, platform::kWmKeyDown, platform::kVkUp, 0);
      Pause(toolDriverTiming.settle);
      Windows().SendMessage(partitionList_, platform::kWmKeyUp, platform::kVkUp, 0);
    }
    Windows().PostMessage(saveButton_, platform::kBmClick, 0, 0);
    const WindowHandle confirmation = AwaitTopWindow(L"#32770", L"*_*", toolEnded_);
    if (confirmation == 0) return false;
    Trace(L"waitA--ok?");
    WindowHandle ok = 0;
    Windows().EnumChildWindows(confirmation, [&](WindowHandle child) {
      if (ClassOf(child) == L"Button" && TextOf(child) == L"确定") ok = child;
      return ok == 0;
    });
    if (ok != 0) {
      Trace(L"ok--%d\n", {Number(ok)});
      Trace(L"\n----ok set---\n");
    } else {
      Trace(L"\n----ok error---\n");
    }
    Windows().SendMessage(confirmation, platform::kWmClose, 0, 0);
    return true;
  }

  void PressKey(WindowHandle window, uintptr_t key) {
    Windows().SendMessage(window, platform::kWmSetFocus, 0, 0);
    Windows().SendMessage(window, platform::kWmKeyDown, key, 0);
    Pause(toolDriverTiming.settle);
    Windows().SendMessage(window, platform::kWmKeyUp, key, 0);
  }

  const wchar_t letter_;
  const int bcdDiskNumber_;
  int comboCount_ = 0;
  WindowHandle bcdDialog_ = 0, diskList_ = 0, partitionList_ = 0, saveButton_ = 0, closeButton_ = 0, okButton_ = 0;
  std::atomic<bool> toolEnded_{false};
  std::atomic<bool> done_{false};
  std::thread thread_;  // last: it starts once the state above is set
};

}  // namespace

bool EditBcdWithBootice(wchar_t letter, int disk) {
  Trace(L"parame inited\n");
  for (const wchar_t* store : {L"kqd\\boot\\bcd", L"kqd\\efi\\microsoft\\boot\\bcd"}) {
    BooticeDriver driver(letter, disk);
    if (toolAbort) return false;
    RunHidden(L"cmd.exe", FillTemplate(L"/c bootice.exe /edit_bcd /easymode /file=%s", {store}), ToolFolder(), true);
    if (!driver.Finish() || toolAbort) return false;
  }
  return true;
}
