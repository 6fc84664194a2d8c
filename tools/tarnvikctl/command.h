#pragma once
// tarnvikctl's subcommands register themselves here, one file each.

#include <string>
#include <vector>

namespace tarnvikctl {

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct Command {
  const char* name;
  const char* usage;  // shown by "tarnvikctl help"
  CommandFunction run;
};

// Adds a subcommand; called from a static initialiser in the subcommand's file.
bool RegisterCommand(Command command);
const std::vector<Command>& Commands();

}  // namespace tarnvikctl
