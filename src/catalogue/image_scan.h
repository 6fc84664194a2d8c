#pragma once

#include <string>

#include "catalogue/os_list.h"

// Marks as downloaded (state 3, localPath set) every image whose size equals that of a
// ".gho" file directly in `imageDir` and, when the entry names a checksum, whose MD5 the
// file has too.
void MarkDownloadedImages(OsList& list, const std::wstring& imageDir);
