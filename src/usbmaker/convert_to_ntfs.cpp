#include "usbmaker/convert_to_ntfs.h"

#include <boost/algorithm/string/case_conv.hpp>
#include <optional>
#include <string>

#include "app/system_drive.h"
#include "app/template_fill.h"
#include "platform/platform.h"
#include "usbmaker/tool_abort.h"
#include "usbmaker/tool_commands.h"

namespace {

constexpr uint32_t kFileSystemChars = 260;

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool IsNtfs(wchar_t letter) {
  std::optional<platform::VolumeInformation> info =
      platform::Current().files().QueryVolumeInformation(std::wstring(1, letter) + L":\\", 0, kFileSystemChars);
  return info && boost::algorithm::to_lower_copy(info->fileSystem) == L"ntfs";
}

}  // namespace

bool ConvertToNtfs(wchar_t letter) {
  const wchar_t systemDrive = SystemDirectoryDrive();
  if (systemDrive != 0 && Upper(letter) == Upper(systemDrive)) return false;
  if (IsNtfs(letter)) return true;
  const std::wstring command = FillTemplate(L"/c convert %c: /fs:ntfs /x", {letter});
  if (toolAbort) return false;
  RunCommand(command);
  return IsNtfs(letter);
}
