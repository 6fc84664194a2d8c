// The boot sector tool of the simulated machine (tools/fakes/bootsect), run as a process
// on a temporary machine.

#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fake_tool_runner.h"
#include "support/temp_machine.h"

namespace {

using Args = std::vector<std::string>;

// The smallest machine with an unformatted volume F: and a card reader G: without a card.
Json::Value MachineWithOddVolumes() {
  Json::Value m = testing_support::MinimalMachine();
  Json::Value raw = m["disks"][1];
  raw["number"] = 2;
  raw["partitions"][0]["letter"] = "F";
  raw["partitions"][0].removeMember("fileSystem");
  Json::Value reader = m["disks"][1];
  reader["number"] = 3;
  reader["noMedia"] = true;
  reader["partitions"][0]["letter"] = "G";
  m["disks"].append(raw);
  m["disks"].append(reader);
  return m;
}

class FakeBootsect : public testing::Test {
 protected:
  fake_tools::ToolRun Bootsect(const Args& args) {
    return fake_tools::RunFake("fake_bootsect", machine_.folder(), "D:\\Tarnvik\\tool", args);
  }
  std::string Records() const { return fake_tools::ReadAll(machine_.folder() / "state" / "bootsect.jsonl"); }

  testing_support::TempMachine machine_{MachineWithOddVolumes()};
};

TEST_F(FakeBootsect, EachRunRecordsTheVolumeItsBootCodeAndTheMasterBootRecord) {
  auto run = Bootsect({"/nt52", "C:", "/mbr"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "C: was updated with NTLDR compatible boot code.\nThe master boot record of disk 0 was updated.\n");
  run = Bootsect({"/NT60", "d:"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Records(),
            "{\"code\":\"nt52\",\"disk\":0,\"mbr\":true,\"volume\":\"C\"}\n"
            "{\"code\":\"nt60\",\"disk\":1,\"mbr\":false,\"volume\":\"D\"}\n");
}

TEST_F(FakeBootsect, AWrongVolumeOrCommandLineFailsAndRecordsNothing) {
  struct Case {
    Args args;
    std::string says;
  };
  const std::vector<Case> cases{
      {{"/nt52", "Q:", "/mbr"}, "Q: is not a volume of this machine"},
      {{"/nt52", "F:"}, "F: has no file system to write boot code to"},
      {{"/nt52", "G:"}, "G: has no media"},
      {{"/nt52"}, "the volume (such as C:) is missing"},
      {{"C:", "/mbr"}, "/nt52 or /nt60 is missing"},
      {{"/nt52", "/nt60", "C:"}, "give one of /nt52 and /nt60, once"},
      {{"/nt52", "C:", "D:"}, "give one volume"},
      {{"/nt52", "C:", "/mbr", "/mbr"}, "/mbr is given twice"},
      {{"/nt52", "C:", "/force"}, "'/force' is neither /nt52, /nt60, /mbr nor a volume such as C:"},
      {{"/nt52", "C:\\"}, "'C:\\' is neither"},
  };
  for (const Case& c : cases) {
    auto run = Bootsect(c.args);
    EXPECT_EQ(run.exitCode, 1) << c.says;
    EXPECT_NE(run.err.find("bootsect: " + c.says), std::string::npos) << run.err;
  }
  EXPECT_EQ(Records(), "");
}

}  // namespace
