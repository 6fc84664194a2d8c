#pragma once

#include <cstdint>
#include <string>

// The image file chosen so far by FindLargestImageFile.
struct ImageFileChoice {
  int64_t sizeMiB = 0;  // whole MiB; 0 until a file is chosen
  int64_t sizeBytes = 0;
  std::wstring path;  // empty until a file is chosen
};

// Searches `directory` ("E:" or a folder) and its subfolders, except those whose name
// begins with ".", for the largest ".gho", ".wim" or ".sdi" file (extension without
// case), measured in whole MiB: only a strictly larger size replaces `best`, so of equal
// sizes the first one listed stays, and a file under 1 MiB is never chosen. True when a
// file has been chosen.
bool FindLargestImageFile(const std::wstring& directory, ImageFileChoice& best);
