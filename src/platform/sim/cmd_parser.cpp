#include "platform/sim/cmd_parser.h"

namespace sim {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsBlankText(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!IsBlank(c) && c != L'@') return false;
  }
  return true;
}

}  // namespace

ParsedLine ParseCommandLine(const std::wstring& line) {
  ParsedLine parsed;
  ParsedCommand current;
  std::wstring lastOperator;
  bool quoted = false;
  auto empty = [&] { return IsBlankText(current.text) && current.redirections.empty(); };
  auto push = [&] {
    parsed.commands.push_back(std::move(current));
    current = ParsedCommand{};
  };

  const size_t n = line.size();
  size_t i = 0;
  while (i < n && line[i] != L'\n') {
    const wchar_t c = line[i];
    if (c == L'\r') {
      ++i;
    } else if (quoted || c == L'"') {
      if (c == L'"') quoted = !quoted;
      current.text += c;
      ++i;
    } else if (c == L'^') {
      const bool escapes = i + 1 < n && line[i + 1] != L'\n';
      if (escapes) current.text += line[i + 1];
      i += escapes ? 2 : 1;
    } else if (c == L'&' || c == L'|') {
      const bool doubled = i + 1 < n && line[i + 1] == c;
      if (c == L'|' && !doubled) {
        parsed.error = L"pipes (|) are not supported by this machine's cmd.exe";
        return parsed;
      }
      lastOperator = doubled ? std::wstring(2, c) : std::wstring(1, c);
      if (empty()) {
        parsed.error = lastOperator + L" was unexpected at this time.";
        return parsed;
      }
      push();
      current.joint = c == L'|' ? Joint::IfFailed : doubled ? Joint::IfSucceeded : Joint::Always;
      i += doubled ? 2 : 1;
    } else if (c == L'<') {
      parsed.error = L"input redirection (<) is not supported by this machine's cmd.exe";
      return parsed;
    } else if (c == L'>') {
      Redirection redirection;
      // A stream number stands right before ">", alone as a word.
      std::wstring& text = current.text;
      if (!text.empty() && (text.back() == L'1' || text.back() == L'2') &&
          (text.size() == 1 || IsBlank(text[text.size() - 2]))) {
        redirection.stream = text.back() - L'0';
        text.pop_back();
      }
      ++i;
      if (i < n && line[i] == L'>') {
        redirection.append = true;
        ++i;
      }
      if (i < n && line[i] == L'&') {
        parsed.error = L"redirection to a stream (>&) is not supported by this machine's cmd.exe";
        return parsed;
      }
      while (i < n && IsBlank(line[i])) ++i;
      if (i < n && line[i] == L'"') {
        size_t close = line.find(L'"', i + 1);
        if (close == std::wstring::npos) close = n;
        redirection.target = line.substr(i + 1, close - i - 1);
        i = close + 1;
      } else {
        while (i < n && !IsBlank(line[i]) && std::wstring(L"&|<>\r\n").find(line[i]) == std::wstring::npos) {
          redirection.target += line[i++];
        }
      }
      if (redirection.target.empty()) {
        parsed.error = L"The syntax of the command is incorrect.";
        return parsed;
      }
      current.redirections.push_back(std::move(redirection));
    } else {
      current.text += c;
      ++i;
    }
  }
  if (!empty()) {
    push();
  } else if (!lastOperator.empty() && lastOperator != L"&") {
    parsed.error = lastOperator + L" was unexpected at this time.";  // "a &&": nothing follows
  }
  return parsed;
}

}  // namespace sim
