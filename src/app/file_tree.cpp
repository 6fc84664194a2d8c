#include "app/file_tree.h"

#include "platform/platform.h"

void CollectFiles(const std::wstring& folder, std::vector<std::wstring>& files, int64_t& totalBytes) {
  const std::wstring prefix = folder.empty() || folder.back() != L'\\' ? folder + L"\\" : folder;
  auto entries = platform::Current().files().ListDirectory(prefix);
  if (!entries) return;
  for (const platform::DirectoryEntry& entry : *entries) {
    if (entry.isDirectory) {
      CollectFiles(prefix + entry.name + L"\\", files, totalBytes);
    } else {
      files.push_back(prefix + entry.name);
      totalBytes += entry.size;
    }
  }
}
