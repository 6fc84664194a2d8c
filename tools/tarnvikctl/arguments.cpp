#include "arguments.h"

#include <algorithm>
#include <charconv>

namespace tarnvikctl {

bool AsksForHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; });
}

const std::string& OptionValue(const std::vector<std::string>& args, size_t& i) {
  if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
  return args[++i];
}

int64_t NumberOption(const std::string& option, const std::string& text, int64_t min, int64_t max) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < min || value > max) {
    throw UsageError(option + " takes a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                     ", not '" + text + "'");
  }
  return value;
}

void UnknownOption(const std::string& option) { throw UsageError("unknown option '" + option + "'"); }

}  // namespace tarnvikctl
