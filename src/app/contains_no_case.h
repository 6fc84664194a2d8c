#pragma once
// Comparisons of names with the ASCII capitals A to Z folded to lower case; every other
// character is compared as it is.

#include <string>

// The text with A to Z turned into a to z.
std::wstring FoldAsciiCapitals(std::wstring text);

// Whether `part` occurs in `text` once both are folded.
bool ContainsNoCase(const std::wstring& text, const std::wstring& part);

// Whether both are equal once folded.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
