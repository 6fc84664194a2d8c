#include "reinstall/backup_texts.h"

#include <cwchar>

namespace {

std::wstring SizeText(int64_t bytes) {
  const wchar_t* unit = nullptr;
  double value = 0;
  if (bytes > (int64_t{1} << 30)) {
    unit = L"GB";
    value = static_cast<double>(bytes) / (int64_t{1} << 30);
  } else if (bytes > (int64_t{1} << 20)) {
    unit = L"MB";
    value = static_cast<double>(bytes) / (int64_t{1} << 20);
  } else if (bytes > 1024) {
    unit = L"KB";
    value = static_cast<double>(bytes) / 1024;
  } else {
    return L"";
  }
  wchar_t text[64];
  std::swprintf(text, 64, L"%.2f %ls", value, unit);
  return text;
}

}  // namespace

std::wstring SpaceShortageText(int64_t missingBytes) {
  return L"分区容量不足，备份所有数据还需" + SizeText(missingBytes) + L"请检查分区容量后再进行备份！";
}
