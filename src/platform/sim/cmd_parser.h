#pragma once
// The command text of the machine's cmd.exe split into its commands, as cmd reads one
// line: "&" runs the next command anyway, "&&" when the one before succeeded, "||" when it
// failed (left to right, so "a || b && c" is "(a || b) && c"); double quotes keep these
// characters literal and stay in the text; "^" outside quotes makes the next character
// literal and is dropped; a line feed ends the line. Redirections ">", ">>", "1>", "2>",
// "2>>" with their target (quoted or not, a blank before it or not) are cut out of the
// command text, the blanks around them kept.

#include <string>
#include <vector>

namespace sim {

struct Redirection {
  int stream = 1;  // 1 standard output, 2 standard error
  bool append = false;
  std::wstring target;  // as written, without its quotes
};

enum class Joint { Always, IfSucceeded, IfFailed };

struct ParsedCommand {
  Joint joint = Joint::Always;  // how it follows the command before it
  std::wstring text;            // the command without its redirections
  std::vector<Redirection> redirections;
};

struct ParsedLine {
  std::vector<ParsedCommand> commands;
  std::wstring error;  // a line cmd refuses before running any of it ("&& was unexpected ...")
};

ParsedLine ParseCommandLine(const std::wstring& line);

}  // namespace sim
