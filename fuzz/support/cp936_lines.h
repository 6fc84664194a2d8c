#pragma once
// diskpart's answers as Molvane reads them: code page 936 lines, CR LF or LF ended.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform_shim.h"

namespace fuzz {

inline std::vector<std::wstring> Cp936Lines(const uint8_t* data, size_t size) {
  std::vector<std::wstring> lines;
  std::string line;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (i < size || !line.empty()) lines.push_back(molvane::platform::Cp936ToWide(line));
      line.clear();
    } else {
      line += static_cast<char>(data[i]);
    }
  }
  return lines;
}

}  // namespace fuzz
