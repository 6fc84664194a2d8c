#include "catalogue/image_scan.h"

#include "app/contains_no_case.h"
#include "platform/platform.h"

namespace {

// The extension (from the last full stop) ends with "gho", in any case.
bool HasGhoExtension(const std::wstring& name) {
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos || name.size() - dot < 4) return false;
  return ContainsNoCase(name.substr(name.size() - 3), L"gho");
}

}  // namespace

void MarkDownloadedImages(OsList& list, const std::wstring& imageDir) {
  platform::Files& files = platform::Current().files();
  if (!files.DirectoryExists(imageDir)) return;
  auto entries = files.ListDirectory(imageDir);
  if (!entries) return;
  for (const platform::DirectoryEntry& file : *entries) {
    if (file.isDirectory || !HasGhoExtension(file.name)) continue;
    for (auto& image : list) {
      if (image->size == file.size) {
        image->state = 3;
        image->localPath = imageDir + file.name;
      }
    }
  }
}
