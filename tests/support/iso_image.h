#pragma once
// Real ISO images made at test time with xorriso, and the host programs the fakes need.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/run_program.h"

namespace testing_support {

// Whether `program` is on PATH; a test that needs it fails, naming the Debian package.
inline ::testing::AssertionResult HostProgramPresent(const std::string& program, const std::string& package) {
  if (std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << program << " is not installed: install Debian's package " << package
                                       << " (scripts/setup.sh does)";
}

// Writes the files of `tree` (a folder) into the ISO image `iso` (its folder made when
// missing), with Joliet names as a Windows ISO has them.
inline ::testing::AssertionResult MakeIso(const std::filesystem::path& tree, const std::filesystem::path& iso) {
  auto present = HostProgramPresent("xorriso", "xorriso");
  if (!present) return present;
  std::filesystem::create_directories(iso.parent_path());
  auto made = testing_support::RunProgram({.args = {"xorriso", "-report_about", "FAILURE", "-as", "mkisofs", "-J", "-R",
                                                     "-V", "TEST", "-o", iso.string(), tree.string()}});
  if (made.exitCode != 0) {
    return ::testing::AssertionFailure() << "xorriso could not make " << iso << " (exit " << made.exitCode
                                         << "): " << made.err;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testing_support
