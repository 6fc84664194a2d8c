#include "catalogue/image_scan.h"

#include <optional>

#include "app/contains_no_case.h"
#include "catalogue/image_verification.h"
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
    const std::wstring path = imageDir + file.name;
    // The file is read once, and only for an entry that names a checksum.
    bool hashed = false;
    std::optional<std::string> fileMd5;
    for (auto& image : list) {
      if (image->size != file.size) continue;
      if (HasImageChecksum(*image) && !hashed) {
        fileMd5 = FileMd5(path);
        hashed = true;
      }
      if (!ChecksumMatches(*image, fileMd5)) continue;
      image->state = 3;
      image->localPath = path;
    }
  }
}
