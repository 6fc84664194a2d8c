#include "reinstall/largest_image_file.h"

#include "app/contains_no_case.h"
#include "platform/platform.h"

namespace {

bool IsImageFileName(const std::wstring& name) {
  if (name.size() < 4) return false;
  const std::wstring extension = FoldAsciiCapitals(name.substr(name.size() - 4));
  return extension == L".gho" || extension == L".wim" || extension == L".sdi";
}

}  // namespace

bool FindLargestImageFile(const std::wstring& directory, ImageFileChoice& best) {
  auto entries = platform::Current().files().ListDirectory(directory);
  for (const platform::DirectoryEntry& entry : entries ? *entries : std::vector<platform::DirectoryEntry>{}) {
    const std::wstring path = directory + L"\\" + entry.name;
    if (entry.isDirectory) {
      if (!entry.name.empty() && entry.name.front() != L'.') FindLargestImageFile(path, best);
    } else if (IsImageFileName(entry.name) && (entry.size >> 20) > best.sizeMiB) {
      best = {entry.size >> 20, entry.size, path};
    }
  }
  return !best.path.empty();
}
