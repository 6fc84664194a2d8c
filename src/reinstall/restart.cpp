#include "reinstall/restart.h"

#include <optional>

#include "app/log.h"
#include "platform/platform.h"

bool Restart() {
  platform::Power& power = platform::Current().power();
  std::optional<platform::TokenHandle> token =
      power.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery);
  if (!token) {
    LogLine("restart refused: the process token cannot be opened to enable SeShutdownPrivilege");
    return false;
  }
  // Without the privilege ExitWindowsEx refuses, which is reported below.
  power.EnablePrivilege(*token, L"SeShutdownPrivilege");
  if (!power.ExitWindowsEx(platform::kEwxReboot | platform::kEwxForceIfHung, 0)) {
    LogLine("restart refused: ExitWindowsEx did not accept the restart");
    return false;
  }
  return true;
}
