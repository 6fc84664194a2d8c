#include "platform/sim/windows_paths.h"

#include <cwctype>

namespace sim {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool StartsWithDrive(const std::wstring& path) { return path.size() >= 2 && path[1] == L':'; }

}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  return IsSeparator(folder.back()) ? folder + name : folder + L"\\" + name;
}

std::wstring TrimFolder(const std::wstring& folder) {
  std::wstring trimmed = folder;
  while (trimmed.size() > 3 && IsSeparator(trimmed.back())) trimmed.pop_back();
  if (trimmed.size() == 2 && trimmed[1] == L':') trimmed += L"\\";
  return trimmed;
}

std::wstring FullPath(const std::wstring& currentFolder, const std::wstring& path) {
  if (StartsWithDrive(path)) {
    if (path.size() > 2 && IsSeparator(path[2])) return path;
    // "X:" and "X:rest" are relative to the current folder of X:, which is the current
    // folder when it lies on X: and the root of X: otherwise.
    const std::wstring rest = path.substr(2);
    if (currentFolder.size() >= 2 && std::towupper(currentFolder[0]) == std::towupper(path[0])) {
      return rest.empty() ? currentFolder : JoinPath(currentFolder, rest);
    }
    return path.substr(0, 2) + L"\\" + rest;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return path;  // a network path
  if (!path.empty() && IsSeparator(path[0])) return currentFolder.substr(0, 2) + path;
  return JoinPath(currentFolder, path);
}

bool HasFolder(const std::wstring& path) {
  return StartsWithDrive(path) || path.find_first_of(L"\\/") != std::wstring::npos;
}

bool HasExtension(const std::wstring& path) { return FileNameOf(path).find(L'.') != std::wstring::npos; }

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace sim
