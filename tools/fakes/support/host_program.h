#pragma once
// Linux programs a fake tool drives to do its work (Debian's 7z).

#include <filesystem>
#include <string>
#include <vector>

namespace fakes {

// The program `name` on PATH, this tool itself left out (a fake may lie under the real
// tool's name). Throws ToolError naming the Debian package that provides it when missing.
std::filesystem::path FindHostProgram(const std::string& name, const std::string& package);

// Runs the program with `args` (args[0] its path), no shell in between, stderr shared
// with this tool, and waits for it. Its standard output goes to `output` when given, and
// is passed on otherwise. The exit code; throws ToolError when it cannot start or does not
// end normally.
int RunHostProgram(const std::vector<std::string>& args, std::string* output = nullptr);

}  // namespace fakes
