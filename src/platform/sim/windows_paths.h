#pragma once
// Windows path text as the simulated machine's programs and commands handle it.

#include <string>

namespace sim {

// The folder and a name below it, with one backslash between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// A folder without its trailing backslash, except for a root ("C:\\").
std::wstring TrimFolder(const std::wstring& folder);

// A path as a command names it, made full against the current folder: "C:\\x" stays;
// "C:" and "C:x" are relative to the current folder when it lies on C:, else to the root
// of C:; "\\x" lies in the root of the current drive; a network path ("\\\\server\\x")
// stays; anything else lies in the current folder.
std::wstring FullPath(const std::wstring& currentFolder, const std::wstring& path);

// Whether the path names a drive ("C:...") or holds a folder separator.
bool HasFolder(const std::wstring& path);

// Whether the last component has an extension ("bcdedit.dll", not "isoCmd").
bool HasExtension(const std::wstring& path);

// The last component.
std::wstring FileNameOf(const std::wstring& path);

}  // namespace sim
