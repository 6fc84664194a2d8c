#pragma once

#include <string>

// Whether `part` occurs in `text` once the ASCII capitals A to Z of both are folded to
// lower case; every other character is compared as it is.
bool ContainsNoCase(const std::wstring& text, const std::wstring& part);
