// Every tarnvikctl subcommand, run as a process with a command line it must refuse or
// explain: --help prints the usage, a wrong option or number is named with status 2.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tarnvikctl_process.h"

namespace {

using testing_support::Outcome;
using testing_support::RunTarnvikctl;

TEST(TarnvikctlArguments, HelpOnEverySubcommandPrintsItsUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {"serve", "--help"},  {"serve", "--root", "/nowhere", "-h"}, {"cipher", "--help"},
      {"check", "--help"},  {"check", "--machine", "x", "--help"}, {"shot", "--help"},
      {"shot", "tishi", "out.png", "--help"},                      {"fetch", "--help"},
  };
  for (const auto& args : cases) {
    const Outcome outcome = RunTarnvikctl(args);
    EXPECT_EQ(outcome.exitCode, 0) << testing::PrintToString(args);
    EXPECT_EQ(outcome.out.rfind("usage: tarnvikctl " + args[0] + " ", 0), 0u) << outcome.out;
    EXPECT_EQ(outcome.err, "");
  }
}

TEST(TarnvikctlArguments, WrongOptionsAndNumbersAreNamedWithStatusTwo) {
  struct Case {
    std::vector<std::string> args;
    const char* named;  // the message must contain this
  };
  const Case cases[] = {
      {{"serve", "--root", ".", "--bogus"}, "unknown option '--bogus'"},
      {{"serve", "--root", ".", "--port", "70000"}, "--port takes a whole number from 0 to 65535, not '70000'"},
      {{"serve", "--root", ".", "--port", "80x"}, "not '80x'"},
      {{"serve", "--root", ".", "--port", "-1"}, "--port"},
      {{"serve", "--root", ".", "--throttle", "0"}, "--throttle takes"},
      {{"serve", "--root", ".", "--throttle", "1e6"}, "not '1e6'"},
      {{"serve", "--root", ".", "--stall-at", "", "--stall-seconds", "3"}, "--stall-at takes"},
      {{"serve", "--root", ".", "--stall-at", "100", "--stall-seconds", "soon"}, "--stall-seconds takes"},
      {{"serve", "--root", ".", "--stall-at", "100"}, "--stall-at and --stall-seconds go together"},
      {{"serve", "--root", ".", "--truncate-at", "99999999999999999999"}, "--truncate-at takes"},
      {{"serve", "--root", ".", "--port"}, "--port needs a value"},
      {{"serve"}, "--root DIR is required"},
      {{"cipher", "--bogus", "x"}, "unknown option '--bogus'"},
      {{"cipher", "encrypt", "x", "--bogus"}, "unknown option '--bogus'"},
      {{"cipher", "scramble", "x"}, "'scramble' is neither encrypt nor decrypt"},
      {{"check", "--bogus"}, "unknown option '--bogus'"},
      {{"check", "--machine"}, "--machine needs a value"},
      {{"check"}, "--machine DIR is required"},
      {{"shot", "msgbox1", "out.png", "--bogus", "x"}, "unknown option '--bogus'"},
      {{"shot", "tishi", "out.png", "--text", "x"}, "unknown option '--text'"},  // only the boxes take a text
      {{"shot", "tishi", "out.png", "--countdown", "9"}, "--countdown takes a whole number from 0 to 5, not '9'"},
      {{"shot", "msgbox2", "out.png", "--style1", "green"}, "--style1 takes"},
      {{"shot", "msgbox1", "out.png", "--icon", "2.5"}, "--icon takes"},
      {{"shot", "nothing", "out.png"}, "unknown window 'nothing'"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = RunTarnvikctl(c.args);
    EXPECT_EQ(outcome.exitCode, 2) << testing::PrintToString(c.args) << outcome.err;
    EXPECT_NE(outcome.err.find(c.named), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: tarnvikctl " + c.args[0]), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

}  // namespace
