#include "app/text_helpers.h"

#include "platform/codepage.h"

std::string WideToLocal(const std::wstring& text) { return platform::WideToCodePage936(text); }

std::wstring LocalToWide(const std::string& text) { return platform::CodePage936ToWide(text); }

std::string AnsiToUtf8(const std::string& text) {
  return platform::WideToUtf8(platform::CodePage936ToWide(text));
}

std::string Utf8ToAnsi(const std::string& text) {
  return platform::WideToCodePage936(platform::Utf8ToWide(text));
}

std::string IntToString(int value) { return std::to_string(value); }

std::wstring IntToWideString(int value) { return std::to_wstring(value); }
