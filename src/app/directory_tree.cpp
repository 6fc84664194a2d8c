#include "app/directory_tree.h"

#include "platform/platform.h"

void CreateDirectoryTree(const std::wstring& path) {
  auto& files = platform::Current().files();
  std::wstring trimmed = path;
  while (!trimmed.empty() && trimmed.back() == L'\\') trimmed.pop_back();
  if (trimmed.empty() || files.DirectoryExists(trimmed)) return;
  size_t slash = trimmed.rfind(L'\\');
  if (slash != std::wstring::npos) CreateDirectoryTree(trimmed.substr(0, slash));
  files.CreateDirectory(trimmed);
}
