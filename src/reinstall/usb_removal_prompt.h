#pragma once
// Asked before the install while a USB disk is attached: "请拔出U盘或移动硬盘！". The main
// frame implements it with its message box; tarnvikctl on the console.

class IUsbRemovalPrompt {
 public:
  virtual ~IUsbRemovalPrompt() = default;
  // 1 when the user pressed "确定" (test again), 0 when the box was dismissed (give up).
  virtual int AskToRemoveUsbDisks() = 0;
};
