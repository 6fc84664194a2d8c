// Drive letters of the simulated machine: lettered volumes, letters mapped to partitions
// with DefineDosDevice, and the virtual CD drives of state/mounts.json.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_machine.h"
#include "support/usb_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;
namespace fs = std::filesystem;

platform::Storage& Storage() { return platform::Current().storage(); }
platform::Files& Files() { return platform::Current().files(); }

// C: and D: as the minimal machine, and an EFI system partition without a letter as
// partition 2 of disk 0.
Json::Value MachineWithEfi() {
  Json::Value machine = MinimalMachine();
  Json::Value efi;
  efi["number"] = 2;
  efi["type"] = "efi";
  efi["sizeBytes"] = 100 << 20;
  efi["fileSystem"] = "FAT32";
  machine["disks"][0]["partitions"].append(efi);
  return machine;
}

// The first letter from C to Y whose drive name has no root directory, as the program
// looks for a free letter.
std::wstring FreeDriveName() {
  for (wchar_t letter = L'C'; letter <= L'Y'; ++letter) {
    std::wstring name = std::wstring(1, letter) + L":";
    if (Storage().QueryDriveType(name) == platform::kDriveNoRootDir) return name;
  }
  return L"";
}

TEST(SimDrives, AMappedLetterReachesALetterlessPartition) {
  TempMachine m(MachineWithEfi());
  // The partition's files lie in a folder of their own.
  fs::create_directories(m.folder() / "drives" / "Harddisk0Partition2" / "EFI" / "Microsoft" / "Boot");
  m.WriteFile(L"D:\\Tarnvik\\tool\\bootmgfw.efi", "new boot manager");

  const std::wstring name = FreeDriveName();
  ASSERT_EQ(name, L"E:");
  ASSERT_TRUE(Storage().DefineDosDevice(platform::kDddRawTargetPath, name, L"\\device\\Harddisk0\\Partition2"));
  EXPECT_EQ(Storage().QueryDriveType(L"E:\\"), platform::kDriveFixed);
  EXPECT_EQ(Storage().LogicalDrives(), 0b11100u);
  EXPECT_EQ(Storage().LogicalDriveStrings(256), (std::vector<std::wstring>{L"C:\\", L"D:\\", L"E:\\"}));
  EXPECT_EQ(FreeDriveName(), L"F:");

  // Through cmd.exe, as the program copies the boot manager.
  auto& processes = platform::Current().processes();
  auto copy = processes.ShellExecuteEx({L"runas", L"cmd.exe",
                                        L"/c copy /y D:\\Tarnvik\\tool\\bootmgfw.efi E:\\EFI\\Microsoft\\Boot\\bootmgfw.efi",
                                        std::nullopt, platform::kSwHide});
  ASSERT_TRUE(copy);
  processes.WaitForExit(*copy);
  std::ifstream copied(m.folder() / "drives/Harddisk0Partition2/EFI/Microsoft/Boot/bootmgfw.efi");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}), "new boot manager");

  ASSERT_TRUE(Storage().DefineDosDevice(platform::kDddRemoveDefinition, name, std::nullopt));
  EXPECT_EQ(Storage().QueryDriveType(name), platform::kDriveNoRootDir);
  EXPECT_FALSE(Files().FileExists(L"E:\\EFI\\Microsoft\\Boot\\bootmgfw.efi"));
  EXPECT_FALSE(Storage().DefineDosDevice(platform::kDddRemoveDefinition, name, std::nullopt));  // gone already
}

TEST(SimDrives, MappingsThatCannotBeAreRefused) {
  TempMachine m(MachineWithEfi());
  struct Case {
    uint32_t flags;
    std::wstring name;
    std::optional<std::wstring> target;
  };
  const Case cases[] = {
      {platform::kDddRawTargetPath, L"Z:", L"\\device\\Harddisk9\\Partition1"},  // no such disk
      {platform::kDddRawTargetPath, L"Z:", L"\\device\\Harddisk0\\Partition7"},  // no such partition
      {platform::kDddRawTargetPath, L"Z:", L"\\device\\Harddisk0\\Partition0"},  // the whole disk
      {platform::kDddRawTargetPath, L"Z:", L"C:\\Windows"},
      {platform::kDddRawTargetPath, L"Z:", std::nullopt},
      {platform::kDddRawTargetPath, L"C:", L"\\device\\Harddisk0\\Partition2"},  // C: is a volume
      {platform::kDddRawTargetPath, L"Z", L"\\device\\Harddisk0\\Partition2"},
      {0, L"Z:", L"\\device\\Harddisk0\\Partition2"},                            // not a raw target
      {platform::kDddRemoveDefinition, L"C:", std::nullopt},                      // not a mapping
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Storage().DefineDosDevice(c.flags, c.name, c.target)) << c.target.value_or(L"(none)").size();
  }
  EXPECT_EQ(Storage().LogicalDrives(), 0b1100u);

  // A partition that has a letter is reached under the mapped letter too; a second
  // mapping of the letter is refused while the first holds.
  m.WriteFile(L"D:\\data.txt", "d");
  ASSERT_TRUE(Storage().DefineDosDevice(platform::kDddRawTargetPath, L"z:", L"\\Device\\HARDDISK1\\partition1"));
  EXPECT_EQ(Files().ReadFile(L"Z:\\data.txt"), "d");
  EXPECT_FALSE(Storage().DefineDosDevice(platform::kDddRawTargetPath, L"Z:", L"\\device\\Harddisk0\\Partition2"));
  EXPECT_FALSE(Storage().DefineDosDevice(platform::kDddRemoveDefinition, L"Z:", L"\\device\\Harddisk0\\Partition2"));
  EXPECT_TRUE(Storage().DefineDosDevice(platform::kDddRemoveDefinition, L"Z:", L"\\device\\harddisk1\\partition1"));
}

TEST(SimDrives, MountedCdDrivesCountAsDrives) {
  TempMachine m;
  std::ofstream(m.machine().StateFile("mounts.json"))
      << R"({"E": {"type": "cdrom", "image": "D:\\images\\win10.iso"}, "f": {"type": "cdrom", "image": ""},
            "G": {"type": "usb", "image": "x"}, "HI": {"type": "cdrom", "image": "y"}})";
  fs::create_directories(m.folder() / "drives" / "E" / "sources");
  std::ofstream(m.folder() / "drives" / "E" / "sources" / "install.wim") << "wim";

  EXPECT_EQ(Storage().LogicalDrives(), 0b111100u);  // C D E F; G and "HI" are not drives
  EXPECT_EQ(Storage().LogicalDriveStrings(256), (std::vector<std::wstring>{L"C:\\", L"D:\\", L"E:\\", L"F:\\"}));
  EXPECT_FALSE(Storage().LogicalDriveStrings(16));  // four roots need 17 characters
  EXPECT_EQ(Files().ReadFile(L"e:\\SOURCES\\install.wim"), "wim");
  auto entries = Files().ListDirectory(L"E:\\");
  ASSERT_TRUE(entries);
  EXPECT_EQ(entries->size(), 1u);
  EXPECT_FALSE(Files().DirectoryExists(L"F:\\"));  // no disc
  EXPECT_FALSE(Files().DirectoryExists(L"G:\\"));
  EXPECT_EQ(FreeDriveName(), L"G:");

  struct Case {
    std::wstring root;
    uint32_t type;
  };
  const Case cases[] = {
      {L"C:\\", platform::kDriveFixed}, {L"c:", platform::kDriveFixed},     {L"D:/", platform::kDriveFixed},
      {L"E:\\", platform::kDriveCdRom}, {L"F:", platform::kDriveCdRom},     {L"G:", platform::kDriveNoRootDir},
      {L"C:\\Windows", platform::kDriveNoRootDir}, {L"", platform::kDriveNoRootDir}, {L"1:", platform::kDriveNoRootDir},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Storage().QueryDriveType(c.root), c.type) << c.root.size();
  }
}

}  // namespace

namespace {

TEST(SimDrives, ADetachedDiskLeavesWithItsLettersForEveryLaterProcessToo) {
  using testing_support::kGiB;
  const Json::Value machine =
      testing_support::MachineWith({testing_support::UsbDisk(2, "Stick", {{"E", 7 * kGiB, 7 * kGiB}})});
  TempMachine m(machine);
  m.WriteFile(L"E:\\photo.jpg", "jpeg");
  ASSERT_TRUE(Files().FileExists(L"E:\\photo.jpg"));

  EXPECT_FALSE(m.machine().DetachDisk(7));
  ASSERT_TRUE(m.machine().DetachDisk(2));
  EXPECT_FALSE(Files().FileExists(L"E:\\photo.jpg"));
  EXPECT_EQ(Storage().QueryDriveType(L"E:\\"), platform::kDriveNoRootDir);
  EXPECT_FALSE(Storage().OpenDevice(L"\\\\.\\PhysicalDrive2", platform::DeviceAccess::QueryOnly));
  EXPECT_TRUE(Files().DirectoryExists(L"C:\\"));

  sim::SimPlatform later(m.folder());
  EXPECT_EQ(later.config().disks.size(), 2u);
  EXPECT_FALSE(later.MapPath(L"E:\\photo.jpg"));
  EXPECT_FALSE(later.DetachDisk(2));
}

}  // namespace
