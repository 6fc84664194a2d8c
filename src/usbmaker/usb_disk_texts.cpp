#include "usbmaker/usb_disk_texts.h"

#include <cwchar>

#include "app/template_fill.h"

namespace {

std::wstring Format(const wchar_t* format, double value) {
  wchar_t text[64];
  std::swprintf(text, 64, format, value);
  return text;
}

}  // namespace

std::wstring UsbDiskText(const VolumeInfo& disk) {
  const std::wstring letters = disk.root.substr(0, disk.root.find(L':'));
  return FillTemplate(L"%s:(hd%d) %s", {letters, static_cast<int>(disk.diskNumber), disk.label});
}

std::wstring UsbSizeText(uint64_t bytes) {
  constexpr uint64_t kKiB = 1024, kMiB = kKiB << 10, kGiB = kMiB << 10;
  if (bytes == 0) return L"";
  if (bytes < kKiB) return FillTemplate(L" %dB", {static_cast<int>(bytes)});
  const double value = static_cast<double>(bytes);
  if (bytes < kMiB) return Format(L" %.2fK", value / kKiB);
  if (bytes < kGiB) return Format(L" %.2fM", value / kMiB);
  return Format(L" %.2fG", value / kGiB);
}
