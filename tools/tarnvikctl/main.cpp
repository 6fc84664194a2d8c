// tarnvikctl: the companion command for support and operations.

#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"

namespace tarnvikctl {

std::vector<Command>& MutableCommands() {
  static std::vector<Command> commands;
  return commands;
}

bool RegisterCommand(Command command) {
  MutableCommands().push_back(command);
  return true;
}

const std::vector<Command>& Commands() { return MutableCommands(); }

}  // namespace tarnvikctl

namespace {

int Usage(FILE* out) {
  std::fputs("usage: tarnvikctl COMMAND [ARGS...]\n", out);
  for (const auto& c : tarnvikctl::Commands()) std::fprintf(out, "  tarnvikctl %s\n", c.usage);
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(stderr);
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") return Usage(stdout);
  for (const auto& c : tarnvikctl::Commands()) {
    if (name != c.name) continue;
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (tarnvikctl::AsksForHelp(args)) {
      std::printf("usage: tarnvikctl %s\n", c.usage);
      return 0;
    }
    try {
      return c.run(args);
    } catch (const tarnvikctl::UsageError& e) {
      std::fprintf(stderr, "tarnvikctl %s: %s\nusage: tarnvikctl %s\n", c.name, e.what(), c.usage);
      return 2;
    }
  }
  std::fprintf(stderr, "tarnvikctl: unknown command '%s'\n", name.c_str());
  return Usage(stderr);
}
