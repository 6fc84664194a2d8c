#pragma once
// How the install worker tells the windows that it could not finish. The windows
// implement these and set them on the reinstall controller.

#include <cstdint>

// The message the main window receives when the install failed (wParam 0, lParam 0); in
// step 3 the reinstall pages answer it with "重装失败,请关闭杀毒软件，重新安装！" and
// enable "btnInstall" again as "立即重装".
inline constexpr uint32_t kMsgInstallFailed = 3028;

// Implemented by the main frame.
class IInstallFailureNotice {
 public:
  virtual ~IInstallFailureNotice() = default;
  // Posts kMsgInstallFailed with both parameters 0 to the main window and returns at once;
  // called from the install worker's thread.
  virtual void PostInstallFailed() = 0;
};

// Implemented by the reinstall pages (the download page).
class IRestartFailureNotice {
 public:
  virtual ~IRestartFailureNotice() = default;
  // Shows "重启失败，请手动重启电脑" titled "提示" with the button "确定", owned by the main
  // window, and returns when it is closed. Called from the install worker's own thread,
  // the one box the program shows outside the UI thread.
  virtual void ShowRestartFailed() = 0;
};
