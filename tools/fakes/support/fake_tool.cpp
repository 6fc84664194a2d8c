#include "fakes/support/fake_tool.h"

#include <algorithm>
#include <cctype>
#include <iostream>

namespace fakes {

int RunFakeTool(const ToolFrame& frame, int argc, char** argv,
                const std::function<int(const std::vector<std::string>&)>& body) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "/?")) {
    std::cout << frame.usage;
    return 0;
  }
  try {
    return body(args);
  } catch (const ToolError& e) {
    std::cerr << frame.name << ": " << e.what() << "\n";
    return e.exitCode() != 0 ? e.exitCode() : frame.failureCode;
  } catch (const std::exception& e) {
    // The machine cannot be opened, a state file cannot be written, ...
    std::cerr << frame.name << ": " << e.what() << "\n";
    return frame.failureCode;
  }
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace fakes
