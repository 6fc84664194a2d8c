// tarnvikctl serve refuses what it cannot do: a port another service holds, a root folder
// that is not there.

#include <gtest/gtest.h>

#include <string>

#include "services/local_service.h"
#include "support/tarnvikctl_process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::RunTarnvikctl;
using testing_support::TempDir;

TEST(ServeCommand, APortInUseIsRefused) {
  TempDir root;
  services::LocalService first({root.path(), 0});
  ASSERT_TRUE(first.Bind());
  first.Start();
  services::LocalService second({root.path(), first.port()});
  // Checked in this process first: were the port shared, the command below would serve.
  ASSERT_FALSE(second.Bind());

  const std::string port = std::to_string(first.port());
  auto outcome = RunTarnvikctl({"serve", "--root", root.path().string(), "--port", port});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.err.find("cannot listen on 127.0.0.1:" + port + ": Address already in use"), std::string::npos)
      << outcome.err;
  EXPECT_EQ(outcome.out, "");
}

TEST(ServeCommand, AMissingRootFolderIsRefused) {
  TempDir parent;
  // A port in use, so that the command ends even were the folder not checked.
  services::LocalService holder({parent.path(), 0});
  ASSERT_TRUE(holder.Bind());
  const std::string missing = (parent.path() / "none").string();
  auto outcome = RunTarnvikctl({"serve", "--root", missing, "--port", std::to_string(holder.port())});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.err.find("the root folder " + missing + " does not exist"), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.out, "");
}

}  // namespace
