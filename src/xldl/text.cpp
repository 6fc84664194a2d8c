#include "xldl/text.h"

#include <algorithm>

#include "platform/codepage.h"

namespace xldl {

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (wchar_t wide : platform::Utf8ToWide(text)) {
    auto c = static_cast<char32_t>(wide);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c);
    }
  }
  return out;
}

std::optional<std::u16string> FieldText(const char16_t* field, size_t capacity) {
  const char16_t* end = std::find(field, field + capacity, u'\0');
  if (end == field + capacity) return std::nullopt;
  return std::u16string(field, end);
}

bool SetFieldText(char16_t* field, size_t capacity, std::u16string_view text) {
  if (text.size() >= capacity) {
    field[0] = u'\0';
    return false;
  }
  std::copy(text.begin(), text.end(), field);
  field[text.size()] = u'\0';
  return true;
}

}  // namespace xldl
