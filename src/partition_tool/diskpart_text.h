// Small facts about diskpart's text shared by the readers of its answers.
#pragma once

#include <cstddef>

namespace molvane {

// diskpart starts every answer with a six-line banner; the seventh line is the first of
// the command's own output (the table header for "list volume"), and texts Molvane looks
// for are searched from the eighth line on.
inline constexpr size_t kDiskpartPreambleLines = 7;

inline bool IsAsciiLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

inline wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c; }

inline wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; }

}  // namespace molvane
