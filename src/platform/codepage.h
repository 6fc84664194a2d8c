#pragma once
// Conversions between wide text and the narrow encodings the program uses: code page
// 936 (the program's "local" and "ANSI" code page) and UTF-8. As on Windows, a character
// with no form in code page 936 becomes "?", and bytes that are not valid in the source
// encoding become U+FFFD.

#include <string>
#include <string_view>

namespace platform {

std::string WideToCodePage936(std::wstring_view text);
std::wstring CodePage936ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace platform
