#include "support/tarnvikctl_process.h"

namespace testing_support {

std::vector<std::string> TarnvikctlCommand(const std::vector<std::string>& args) {
  std::vector<std::string> command{TARNVIK_BIN_DIR "/tarnvikctl"};
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

Outcome RunTarnvikctl(const std::vector<std::string>& args) { return RunProgram({.args = TarnvikctlCommand(args)}); }

}  // namespace testing_support
