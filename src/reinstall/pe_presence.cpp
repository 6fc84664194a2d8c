#include "reinstall/pe_presence.h"

#include "app/file_size.h"
#include "app/global_param.h"
#include "platform/platform.h"

bool IsPeComponentPresent(const PeEntry& pe) {
  if (pe.fileName.empty()) return false;
  const std::wstring& peDir = CGlobalParam::Instance()->peDir;
  std::wstring path = peDir + pe.fileName;
  std::optional<int64_t> size = FileSizeOf(path);
  if (!size) return false;
  if (*size == pe.size) return true;
  platform::Files& files = platform::Current().files();
  files.RemoveFile(path);
  files.RemoveFile(peDir + L"WEPE64.WIM");
  return false;
}
