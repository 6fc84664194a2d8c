#pragma once
// Text conversions used throughout the program. "Local" and "ANSI" text is code page 936.

#include <string>

std::string WideToLocal(const std::wstring& text);
std::wstring LocalToWide(const std::string& text);
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);
std::string IntToString(int value);
std::wstring IntToWideString(int value);
