#include "download/xl_records.h"

#include <algorithm>
#include <cstring>
#include <iterator>

std::u16string ToUtf16(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t w : text) {
    auto c = static_cast<char32_t>(w);
    if constexpr (sizeof(wchar_t) == 2) {
      out += static_cast<char16_t>(c);
    } else if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c);
    }
  }
  return out;
}

std::wstring FromUtf16(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if constexpr (sizeof(wchar_t) == 4) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      }
    }
    out += static_cast<wchar_t>(c);
  }
  return out;
}

namespace {

template <size_t N>
bool SetField(char16_t (&field)[N], const std::wstring& text) {
  std::u16string units = ToUtf16(text);
  if (units.size() >= N) return false;
  std::copy(units.begin(), units.end(), field);
  field[units.size()] = u'\0';
  return true;
}

}  // namespace

bool FillTaskParam(XlTaskParam& param, const std::wstring& url, const std::wstring& fileName,
                   const std::wstring& saveDir) {
  std::memset(&param, 0, sizeof param);
  param.reserved4 = 5;
  param.resume = 1;
  return SetField(param.url, url) && SetField(param.fileName, fileName) && SetField(param.saveDir, saveDir);
}

void PresetTaskInfo(XlTaskInfo& info) {
  std::memset(&info, 0, sizeof info);
  info.state = 2;
}

std::wstring InfoFileName(const XlTaskInfo& info) {
  const char16_t* end = std::find(std::begin(info.fileName), std::end(info.fileName), u'\0');
  return FromUtf16(std::u16string_view(info.fileName, static_cast<size_t>(end - info.fileName)));
}
