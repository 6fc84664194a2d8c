#pragma once
// What the subcommands share to read their command lines. A command throws UsageError for
// a line it cannot take; main prints the message with the command's usage and exits with 2.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnvikctl {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "--help" or "-h" anywhere on the line: the command prints its usage instead of running.
bool AsksForHelp(const std::vector<std::string>& args);

// The value that follows the option at args[i], moving i onto it.
const std::string& OptionValue(const std::vector<std::string>& args, size_t& i);

// The whole decimal number given to `option`, from min to max.
int64_t NumberOption(const std::string& option, const std::string& text, int64_t min, int64_t max);

[[noreturn]] void UnknownOption(const std::string& option);

}  // namespace tarnvikctl
