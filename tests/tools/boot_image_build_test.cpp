// The USB maker's boot image on a machine made by make-machine.sh: the shipped boot file
// set (Udata.bak) unpacked by the machine's 7z.exe, added to a copy of the shipped image
// (Uiso.bak) by the ISO writer's silent build, and the image unpacked onto the stick again
// with 7z.exe, each run through cmd.exe as the program runs it.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fake_tool_runner.h"
#include "platform/platform.h"
#include "support/iso_image.h"
#include "support/state_records.h"
#include "support/temp_machine.h"
#include "support/usb_stick_machine.h"

namespace {

using testing_support::ReadStateLines;

class BootImageBuild : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing_support::HostProgramPresent("7z", "p7zip-full"));
    ASSERT_TRUE(testing_support::HostProgramPresent("xorriso", "xorriso"));
  }
  // Runs the program with the parameters (in `folder`, nothing: the caller's) and waits for it.
  void Run(const std::wstring& program, const std::wstring& parameters, std::optional<std::wstring> folder) {
    auto& processes = platform::Current().processes();
    auto handle = processes.ShellExecuteEx({L"runas", program, parameters, folder, platform::kSwHide});
    ASSERT_TRUE(handle);
    processes.WaitForExit(*handle);
    const Json::Value end = ReadStateLines(machine_, "process-exits.jsonl").back();
    EXPECT_EQ(end["status"], 0) << end.toStyledString();
  }
  std::string Read(const std::wstring& path) { return fake_tools::ReadAll(machine_.HostPath(path)); }

  testing_support::TempMachine machine_{testing_support::MachineWithUsbStick(),
                                        testing_support::MachineLayout::MadeByScript};
};

TEST_F(BootImageBuild, TheImageGetsTheBootFileSetAndUnpacksOntoTheStick) {
  const std::wstring tool = L"D:\\Tarnvik\\tool";
  const std::string shippedImage = Read(tool + L"\\Uiso.bak");
  Run(L"cmd.exe", L"/c " + tool + L"\\7z.exe x Udata.bak -y -aos -okqd", tool);
  machine_.WriteFile(tool + L"\\kqd\\boot\\BCD", "edited bios store");
  Run(L"cmd.exe", L"/c copy Uiso.bak Uiso.iso /y && iso.dll -silent -in Uiso.iso -f kqd\\*", tool);
  Run(tool + L"\\7z.exe", L"x " + tool + L"\\Uiso.iso -y -aos -oE:\\", std::nullopt);

  const std::vector<Json::Value> records = ReadStateLines(machine_, "isowriter.jsonl");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["image"], "D:\\Tarnvik\\tool\\Uiso.iso");
  EXPECT_EQ(records[0]["files"], "kqd\\*");
  EXPECT_EQ(records[0]["complete"], true) << records[0]["error"];
  // The set's files at the root of the image, beside what the shipped image held.
  EXPECT_EQ(Read(L"E:\\boot\\BCD"), "edited bios store");
  EXPECT_EQ(Read(L"E:\\efi\\microsoft\\boot\\BCD"), Read(tool + L"\\kqd\\efi\\microsoft\\boot\\BCD"));
  EXPECT_NE(Read(L"E:\\efi\\microsoft\\boot\\BCD").find("{2b27e930-f7ab-11df-aeb8-c641fe7f0057}"), std::string::npos);
  EXPECT_EQ(Read(L"E:\\boot\\boot.sdi"), "Tarnvik stand-in for boot.sdi\n");
  EXPECT_EQ(Read(L"E:\\efi\\boot\\bootx64.efi"), "Tarnvik stand-in for bootx64.efi\n");
  EXPECT_EQ(Read(tool + L"\\Uiso.bak"), shippedImage) << "the build works on the copy";

  // A second build replaces what the image holds of the set.
  machine_.WriteFile(tool + L"\\kqd\\boot\\BCD", "edited again");
  Run(L"cmd.exe", L"/c iso.dll -silent -in Uiso.iso -f kqd\\*", tool);
  Run(tool + L"\\7z.exe", L"x Uiso.iso -y -oE:\\", tool);
  EXPECT_EQ(Read(L"E:\\boot\\BCD"), "edited again");
}

}  // namespace
