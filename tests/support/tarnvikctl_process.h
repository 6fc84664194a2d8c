#pragma once
// tarnvikctl run as a process, the way support staff run it.

#include <string>
#include <vector>

namespace testing_support {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs tarnvikctl with `args` passed as they are, with no shell in between, in this
// process's environment.
Outcome RunTarnvikctl(const std::vector<std::string>& args);

}  // namespace testing_support
