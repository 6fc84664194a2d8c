#pragma once
// The arguments a program built with the Windows C run-time library finds in its command
// line: blanks and tabs separate arguments outside double quotes; 2n backslashes before a
// double quote stand for n backslashes and the quote opens or closes a quoted part, 2n+1
// backslashes before a quote for n backslashes and a literal quote; two quotes inside a
// quoted part stand for one literal quote; any other backslash is itself.

#include <string>
#include <vector>

namespace sim {

// The arguments of a command line that holds no program name (the parameters of a start).
std::vector<std::wstring> SplitCommandLine(const std::wstring& parameters);

}  // namespace sim
