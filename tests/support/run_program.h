#pragma once
// Runs a program (found on PATH unless the name has a slash) with its arguments as they
// are, no shell in between, and waits for it.

#include <string>
#include <vector>

namespace testing_support {

// The exit code, or -1 when the program could not start or did not exit normally.
int RunProgram(std::vector<std::string> args);

}  // namespace testing_support
