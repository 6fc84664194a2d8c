#pragma once
// The fake external tools of tools/fakes, run as processes the way the simulated machine
// starts a tool: with TARNVIK_MACHINE naming the machine and TARNVIK_DIRECTORY the Windows
// working folder.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace fake_tools {

using ToolRun = testing_support::Outcome;

inline std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs build/bin/<fake> with `args` as they are (no shell).
inline ToolRun RunFake(const std::string& fake, const std::filesystem::path& machine, const std::string& workingFolder,
                       const std::vector<std::string>& args) {
  std::vector<std::string> argv{std::string(TARNVIK_BIN_DIR) + "/" + fake};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing_support::RunProgram(
      {.args = argv,
       .environment = {"TARNVIK_MACHINE=" + machine.string(), "TARNVIK_DIRECTORY=" + workingFolder}});
}

}  // namespace fake_tools
