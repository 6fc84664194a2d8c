// The boot manager copied to the EFI system partition of every disk, each reached
// through a free drive letter.

#include "reinstall/efi_boot_manager.h"

#include <gtest/gtest.h>

#include "install_machine.h"

namespace {

using install_testing::InstallMachineJson;
using install_testing::RecordedMachine;

// Drive names from C: up to `last` in use.
std::map<std::wstring, uint32_t> InUseUpTo(wchar_t last) {
  std::map<std::wstring, uint32_t> types;
  for (wchar_t letter = L'C'; letter <= last; ++letter) types[std::wstring(1, letter) + L":"] = platform::kDriveFixed;
  return types;
}

TEST(CopyBootManagerToEfiPartitions, MapsTheFirstFreeLetterFromCToY) {
  struct Case {
    std::map<std::wstring, uint32_t> types;
    const wchar_t* chosen;
  };
  std::map<std::wstring, uint32_t> cdInE = InUseUpTo(L'D');
  cdInE[L"E:"] = platform::kDriveCdRom;
  const Case cases[] = {
      {InUseUpTo(L'D'), L"E:"},
      {cdInE, L"F:"},
      {{{L"C:", platform::kDriveFixed}, {L"D:", platform::kDriveNoRootDir}, {L"E:", platform::kDriveFixed}}, L"D:"},
      {InUseUpTo(L'X'), L"Y:"},
  };
  for (const Case& c : cases) {
    RecordedMachine m(InstallMachineJson("gpt"));
    m.recorder().driveTypes = c.types;
    CopyBootManagerToEfiPartitions();
    auto calls = m.recorder().DosDeviceCalls();
    ASSERT_EQ(calls.size(), 2u) << m.recorder().Log();
    EXPECT_EQ(calls[0].name, c.chosen);
    EXPECT_EQ(calls[1].name, c.chosen);
    EXPECT_EQ(m.recorder().Log().find("find zu Div=" + std::string(c.chosen, c.chosen + 2) + "\r\n"), 0u)
        << m.recorder().Log();
  }
}

TEST(CopyBootManagerToEfiPartitions, SkipsAPartitionWhenNoLetterFromCToYIsFree) {
  RecordedMachine m(InstallMachineJson("gpt"));
  m.recorder().driveTypes = InUseUpTo(L'Y');
  CopyBootManagerToEfiPartitions();
  EXPECT_TRUE(m.recorder().DosDeviceCalls().empty());
  EXPECT_EQ(m.recorder().Log(),
            "no free drive letter from C: to Y: for disk 0 partition 1: its boot manager is left as it is\n");
}

TEST(CopyBootManagerToEfiPartitions, ReachesTheEfiPartitionOfEveryDiskAndUnmapsEachAfterItsCopy) {
  RecordedMachine m(InstallMachineJson("gpt", 1));
  m.recorder().driveTypes = InUseUpTo(L'D');
  CopyBootManagerToEfiPartitions();
  auto calls = m.recorder().DosDeviceCalls();
  ASSERT_EQ(calls.size(), 4u);
  const wchar_t* targets[] = {L"\\device\\Harddisk0\\Partition1", L"\\device\\Harddisk2\\Partition1"};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(calls[2 * i].flags, platform::kDddRawTargetPath);
    EXPECT_EQ(calls[2 * i].name, L"E:");
    EXPECT_EQ(calls[2 * i].target, std::optional<std::wstring>(targets[i]));
    EXPECT_EQ(calls[2 * i + 1].flags, platform::kDddRemoveDefinition);
    EXPECT_EQ(calls[2 * i + 1].name, L"E:");
    EXPECT_EQ(calls[2 * i + 1].target, std::nullopt);
  }
  // The mapping is recorded only, so each copy finds no E: and says so.
  const std::string log = m.recorder().Log();
  EXPECT_NE(log.find("cannot copy D:\\Tarnvik\\tool\\bootmgfw.efi to E:\\EFI\\Microsoft\\Boot\\bootmgfw.efi "
                     "(\\device\\Harddisk2\\Partition1)\n"),
            std::string::npos)
      << log;
}

TEST(CopyBootManagerToEfiPartitions, AMappingThatFailsCopiesNothing) {
  RecordedMachine m(InstallMachineJson("gpt"));
  m.recorder().driveTypes = InUseUpTo(L'D');
  m.recorder().mappingsSucceed = false;
  CopyBootManagerToEfiPartitions();
  EXPECT_EQ(m.recorder().DosDeviceCalls().size(), 1u);
  EXPECT_EQ(m.recorder().Log(),
            "find zu Div=E:\r\ncannot map E: to \\device\\Harddisk0\\Partition1: its boot manager is left as it is\n");
}

TEST(CopyBootManagerToEfiPartitions, AnMbrMachineHasNoEfiPartitionToReach) {
  RecordedMachine m(InstallMachineJson("mbr"));
  CopyBootManagerToEfiPartitions();
  EXPECT_TRUE(m.recorder().DosDeviceCalls().empty());
  EXPECT_EQ(m.recorder().Log(), "");
}

}  // namespace
