#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Appends the path of every file below `folder`, in every subfolder, to `files` and adds
// their sizes to `totalBytes`; hidden and system files count like any other. A folder
// that cannot be listed adds nothing.
void CollectFiles(const std::wstring& folder, std::vector<std::wstring>& files, int64_t& totalBytes);
