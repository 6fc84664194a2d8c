// Reading the maximum shrink size from diskpart's "shrink querymax" answer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace molvane {

// The size in MB from the first line, after the seven-line preamble, that holds
// "可回收的最大字节数". Newer editions write it twice, "39 GB (40495 MB)", so the number written
// before "MB" is taken; a line without "MB" gives all its digits in order. Nothing when
// there is no such line, no number, or a number beyond the range of int.
std::optional<int> ReadMaxShrinkMb(const std::vector<std::wstring>& lines);

}  // namespace molvane
