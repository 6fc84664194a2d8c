#pragma once

#include <string>

// Creates a folder and any missing parents, one level at a time; a folder that exists
// already is left as it is. Whether it worked is seen by the use that follows.
void CreateDirectoryTree(const std::wstring& path);
