// Programs started on the simulated machine get their arguments as the Windows C run-time
// library splits a command line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/sim/command_line_split.h"

namespace {

TEST(CommandLineSplit, SplitsAsTheWindowsRuntime) {
  struct Case {
    const wchar_t* line;
    std::vector<std::wstring> arguments;
  };
  const Case cases[] = {
      {L"", {}},
      {L" \t ", {}},
      {L" -number 1", {L"-number", L"1"}},
      {L"a\t\tb  c ", {L"a", L"b", L"c"}},
      {L"\"a b\"\tc", {L"a b", L"c"}},
      {L"a\"b c\"d", {L"ab cd"}},                               // quotes open and close inside a word
      {L"C:\\a\\\\b\\", {L"C:\\a\\\\b\\"}},                     // backslashes not before a quote stay
      {L"\"C:\\dir\\\\\" x", {L"C:\\dir\\", L"x"}},             // 2n backslashes and a quote: n and the quote closes
      {L"\"C:\\dir\\\" x", {L"C:\\dir\" x"}},                   // 2n+1: n and a literal quote, the part goes on
      {L"a\\\\\\\"b", {L"a\\\"b"}},                             // three backslashes and a quote
      {L"\"a\"\"b\"", {L"a\"b"}},                               // "" inside quotes is one quote
      {L"\"a\"\"\" b", {L"a\"", L"b"}},
      {L"\"\" x", {L"", L"x"}},                                 // an empty argument
      {L"\"open ended", {L"open ended"}},
      {L"  /set  {ba50c1f0-3752-11de-90d5-cdf8d52a3200} device ramdisk=[D:]\\PE\\WEPE64.WIM,{ramdiskoptions}",
       {L"/set", L"{ba50c1f0-3752-11de-90d5-cdf8d52a3200}", L"device", L"ramdisk=[D:]\\PE\\WEPE64.WIM,{ramdiskoptions}"}},
      {L" -mount 0: \"d:\\tarnvik\\镜像.iso\"", {L"-mount", L"0:", L"d:\\tarnvik\\镜像.iso"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sim::SplitCommandLine(c.line), c.arguments) << platform::WideToUtf8(c.line);
  }
}

}  // namespace
