#pragma once
// What every fake external tool shares: its failures and the frame of its main().

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fakes {

// A failure the tool reports: the text says what is wrong; the exit code is a particular
// one, or 0 for the tool's usual failure code.
class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& what, int exitCode = 0) : std::runtime_error(what), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

struct ToolFrame {
  std::string name;    // as the tool calls itself in messages, "bcdedit"
  std::string usage;   // printed for --help and /?
  int failureCode = 1; // for failures that carry no code of their own
};

// Runs `body` on the arguments after the program name: --help or /? alone print the usage
// (exit 0). A ToolError, or any other exception (a machine that cannot be opened, a state
// file that cannot be written), is written to stderr as "name: text" and ends the tool
// with the error's code or `failureCode`.
int RunFakeTool(const ToolFrame& frame, int argc, char** argv,
                const std::function<int(const std::vector<std::string>&)>& body);

// Options of Windows tools match without case ("/D" is "/d").
bool EqualsNoCase(const std::string& a, const std::string& b);
std::string LowerAscii(std::string text);

}  // namespace fakes
