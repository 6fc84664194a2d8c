#include "reinstall/required_files.h"

#include "app/log.h"
#include "platform/platform.h"

bool RequiredFilesPresent(std::initializer_list<std::wstring> paths) {
  bool present = true;
  for (const std::wstring& path : paths) {
    if (platform::Current().files().FileExists(path)) continue;
    LogLine(L"missing after the step: " + path);
    present = false;
  }
  return present;
}
