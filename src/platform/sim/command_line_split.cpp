#include "platform/sim/command_line_split.h"

namespace sim {

std::vector<std::wstring> SplitCommandLine(const std::wstring& parameters) {
  std::vector<std::wstring> arguments;
  const wchar_t* p = parameters.c_str();
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  for (;;) {
    while (blank(*p)) ++p;
    if (*p == L'\0') break;
    std::wstring argument;
    bool quoted = false;
    for (;;) {
      size_t backslashes = 0;
      while (*p == L'\\') ++p, ++backslashes;
      bool copy = true;
      if (*p == L'"') {
        if (backslashes % 2 == 0) {
          if (quoted && p[1] == L'"') {
            ++p;  // "" inside quotes: one literal quote, and the part stays quoted
          } else {
            copy = false;
            quoted = !quoted;
          }
        }
        backslashes /= 2;
      }
      argument.append(backslashes, L'\\');
      if (*p == L'\0' || (!quoted && blank(*p))) break;
      if (copy) argument.push_back(*p);
      ++p;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace sim
