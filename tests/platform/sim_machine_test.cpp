// The simulated machine answers as a Windows machine would.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "support/local_http_server.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

TEST(SimFiles, WindowsPathsMatchWithoutCaseAndStayOnTheirDrive) {
  TempMachine m;
  m.WriteFile(L"D:\\Tarnvik\\test_ver.test", "x");
  auto& files = platform::Current().files();
  EXPECT_EQ(files.ReadFile(L"d:\\TARNVIK\\Test_Ver.TEST"), "x");
  EXPECT_EQ(files.ReadFile(L"D:/Tarnvik/./sub/../test_ver.test"), "x");
  EXPECT_TRUE(files.DirectoryExists(L"D:\\"));
  EXPECT_TRUE(files.DirectoryExists(L"d:\\tarnvik\\"));
  // Names beyond ASCII are found among the others, and a name never matches a longer one.
  m.WriteFile(L"D:\\Tarnvik\\备份.txt", "b");
  EXPECT_EQ(files.ReadFile(L"d:\\tarnvik\\备份.TXT"), "b");
  EXPECT_FALSE(files.ReadFile(L"D:\\Tarnvik\\test_ver.tes"));

  // ".." stops at the root of the drive, as on Windows: machine.json is out of reach.
  EXPECT_EQ(m.machine().MapPath(L"D:\\..\\..\\machine.json"), m.folder() / "drives" / "D" / "machine.json");
  EXPECT_FALSE(files.ReadFile(L"D:\\..\\..\\machine.json"));

  for (const wchar_t* outside : {L"Q:\\x", L"D:x", L"\\\\server\\share\\x", L"", L"D:\\a:b", L"D:\\a?"}) {
    EXPECT_FALSE(m.machine().MapPath(outside)) << outside;
  }
}

TEST(SimFiles, CreateDirectoryMakesOneLevel) {
  TempMachine m;
  auto& files = platform::Current().files();
  EXPECT_FALSE(files.CreateDirectory(L"D:\\a\\b"));
  EXPECT_TRUE(files.CreateDirectory(L"D:\\a"));
  EXPECT_FALSE(files.CreateDirectory(L"D:\\A"));  // exists already, whatever the case
  EXPECT_TRUE(files.CreateDirectory(L"D:\\a\\b\\"));
  EXPECT_TRUE(files.DirectoryExists(L"D:\\A\\B"));
}

Json::Value SpannedMachine() {
  Json::Value machine = MinimalMachine();
  machine["disks"][1]["partitions"][0]["alsoOnDisks"].append(2);
  Json::Value usb = machine["disks"][0];
  usb["number"] = 2;
  usb["bus"] = "usb";
  usb["partitions"][0]["letter"] = "E";
  machine["disks"].append(usb);
  machine["faults"]["devices"].append("\\\\.\\PhysicalDrive0");
  return machine;
}

TEST(SimStorage, ExtentsAnswerOnlyWhenTheyFit) {
  TempMachine m(SpannedMachine());
  auto& storage = platform::Current().storage();
  auto c = storage.OpenDevice(L"\\\\.\\c:", platform::DeviceAccess::Read);
  ASSERT_TRUE(c);
  auto extents = storage.VolumeDiskExtents(*c, 32);
  ASSERT_TRUE(extents);
  EXPECT_EQ(extents->size(), 1u);
  EXPECT_EQ((*extents)[0].diskNumber, 0u);

  auto d = storage.OpenDevice(L"\\\\.\\D:", platform::DeviceAccess::Read);
  ASSERT_TRUE(d);
  EXPECT_FALSE(storage.VolumeDiskExtents(*d, 32));  // two extents need 56 bytes
  EXPECT_EQ(storage.VolumeDiskExtents(*d, 56)->size(), 2u);

  auto disk = storage.OpenDevice(L"\\\\.\\PhysicalDrive2", platform::DeviceAccess::Read);
  ASSERT_TRUE(disk);
  EXPECT_FALSE(storage.VolumeDiskExtents(*disk, 512));  // a disk is not a volume
  EXPECT_EQ(storage.StorageDeviceProperty(*disk, 512)->busType, platform::kBusUsb);
  EXPECT_EQ(storage.StorageDeviceProperty(*storage.OpenDevice(L"\\\\.\\E:", {}), 512)->busType, platform::kBusUsb);

  for (const wchar_t* path : {L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive9", L"\\\\.\\Q:", L"\\\\.\\C:\\",
                              L"\\\\.\\PhysicalDrive-1", L"C:"}) {
    EXPECT_FALSE(storage.OpenDevice(path, platform::DeviceAccess::Read)) << path;
  }
}

TEST(SimRegistry, KeysAndValuesMatchWithoutCase) {
  Json::Value machine = MinimalMachine();
  machine["registry"]["HKEY_LOCAL_MACHINE\\Soft\\A\\0000"]["Name"] = "网卡";
  machine["registry"]["HKLM\\Soft\\A\\0001\\Deep"]["N"] = 7;
  machine["registry"]["HKLM\\Soft\\A B"]["X"] = 1;  // sorts between "A" and "A\\..."
  machine["faults"]["registryKeyInfo"].append("HKLM\\Soft\\A\\0001");
  TempMachine m(machine);
  auto& registry = platform::Current().registry();

  auto a = registry.OpenKey(platform::RegistryRoot::LocalMachine, L"soft\\a");
  ASSERT_TRUE(a);
  EXPECT_EQ(registry.SubkeyCount(*a), 2u);
  EXPECT_FALSE(registry.OpenKey(platform::RegistryRoot::CurrentUser, L"Soft\\A"));
  EXPECT_FALSE(registry.OpenKey(platform::RegistryRoot::LocalMachine, L"Soft\\Ab"));

  auto first = registry.OpenSubkey(*a, L"0000");
  ASSERT_TRUE(first);
  EXPECT_EQ(registry.ReadAnsiString(*first, "NAME", 260), "\xCD\xF8\xBF\xA8");  // code page 936
  EXPECT_FALSE(registry.ReadAnsiString(*first, "NAME", 4));  // no room for the zero
  EXPECT_FALSE(registry.ReadDword(*first, "Name"));

  auto second = registry.OpenSubkey(*a, L"0001");
  ASSERT_TRUE(second);  // it has no values, only a subkey
  EXPECT_FALSE(registry.SubkeyCount(*second));
  EXPECT_EQ(registry.ReadDword(*registry.OpenSubkey(*second, L"deep"), "n"), 7u);
}

TEST(SimNetwork, BuffersThatAreTooSmallAskForTheirSize) {
  Json::Value machine = MinimalMachine();
  for (int i = 0; i < 40; ++i) {
    Json::Value a;
    a["name"] = "{" + std::to_string(i) + "}";
    a["mac"] = "00-11-22-33-44-55";
    machine["network"]["adapters"].append(a);
  }
  TempMachine m(machine);
  auto& network = platform::Current().network();
  auto tooSmall = network.GetAdaptersAddresses(15000);
  EXPECT_EQ(tooSmall.error, platform::kErrorBufferOverflow);
  EXPECT_GT(tooSmall.requiredBytes, 15000u);
  auto enough = network.GetAdaptersAddresses(tooSmall.requiredBytes);
  EXPECT_EQ(enough.error, platform::kErrorSuccess);
  EXPECT_EQ(enough.adapters.size(), 40u);

  auto probe = network.GetAdaptersInfo(0);
  EXPECT_EQ(probe.error, platform::kErrorBufferOverflow);
  EXPECT_EQ(network.GetAdaptersInfo(probe.requiredBytes).adapters.size(), 40u);
}

TEST(SimSystem, RandomGeneratorDrawsTheWindowsRuntimeSequence) {
  TempMachine m;
  auto& system = platform::Current().system();
  system.SeedRandom(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) EXPECT_EQ(system.NextRandom(), e);
}

}  // namespace

namespace {

TEST(SimNetwork, ConnectionCheckReallyConnects) {
  testing_support::SilentPort listening;
  testing_support::ClosedPort closed;
  const std::wstring open = L"http://127.0.0.1:" + std::to_wstring(listening.port()) + L"/api/os-list";
  {
    TempMachine m;
    auto& network = platform::Current().network();
    EXPECT_TRUE(network.CheckConnection(open));
    EXPECT_FALSE(network.CheckConnection(L"http://127.0.0.1:" + std::to_wstring(closed.port()) + L"/api/os-list"));
    EXPECT_FALSE(network.CheckConnection(L"not a url"));
  }
  Json::Value down = MinimalMachine();
  down["network"]["up"] = false;
  TempMachine m(down);
  EXPECT_FALSE(platform::Current().network().CheckConnection(open));
}

}  // namespace

namespace {

TEST(SimFiles, WriteListAndRemoveFiles) {
  testing_support::TempMachine m;
  auto& files = platform::Current().files();
  EXPECT_TRUE(files.WriteFile(L"D:\\b.txt", "12345"));
  EXPECT_TRUE(files.WriteFile(L"D:\\a.gho", "1"));
  EXPECT_TRUE(files.WriteFile(L"D:\\A.GHO", "22"));  // the same file, replaced
  EXPECT_TRUE(files.CreateDirectory(L"D:\\sub"));
  EXPECT_FALSE(files.WriteFile(L"D:\\sub", "x"));        // a folder
  EXPECT_FALSE(files.WriteFile(L"D:\\none\\x.txt", "x"));  // no such folder
  EXPECT_TRUE(files.FileExists(L"d:\\B.TXT"));
  EXPECT_FALSE(files.FileExists(L"D:\\sub"));

  auto entries = files.ListDirectory(L"D:\\");
  ASSERT_TRUE(entries);
  std::vector<std::tuple<std::wstring, bool, int64_t>> seen;
  for (const auto& e : *entries) seen.emplace_back(e.name, e.isDirectory, e.size);
  EXPECT_EQ(seen, (std::vector<std::tuple<std::wstring, bool, int64_t>>{
                      {L"a.gho", false, 2}, {L"b.txt", false, 5}, {L"sub", true, 0}}));
  EXPECT_FALSE(files.ListDirectory(L"D:\\b.txt"));

  EXPECT_TRUE(files.RemoveFile(L"D:\\B.txt"));
  EXPECT_FALSE(files.RemoveFile(L"D:\\B.txt"));
  EXPECT_FALSE(files.RemoveFile(L"D:\\sub"));
}

TEST(SimFiles, FreeSpaceAndVolumeInformationOfVolumes) {
  Json::Value machine = testing_support::MinimalMachine();
  machine["disks"][0]["partitions"][0]["label"] = "系统";
  machine["disks"][0]["partitions"][0]["freeBytes"] = 1000;
  testing_support::TempMachine m(machine);
  auto& files = platform::Current().files();
  auto space = files.QueryDiskFreeSpace(L"C:\\Windows");
  ASSERT_TRUE(space);
  EXPECT_EQ(space->freeBytesAvailable, 1000u);
  EXPECT_EQ(space->totalBytes, uint64_t(200) << 30);
  EXPECT_FALSE(files.QueryDiskFreeSpace(L"Q:\\"));
  EXPECT_FALSE(files.QueryDiskFreeSpace(L"C,D:\\"));

  auto info = files.QueryVolumeInformation(L"c:\\", 260, 32);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->label, L"系统");
  EXPECT_EQ(info->fileSystem, L"NTFS");
  EXPECT_FALSE(files.QueryVolumeInformation(L"C:\\", 2, 32));  // the label does not fit
  EXPECT_EQ(files.QueryVolumeInformation(L"C:\\", 0, 32)->label, L"");  // not asked for
  EXPECT_FALSE(files.QueryVolumeInformation(L"C:\\Windows", 260, 32));  // not a root
}

TEST(SimSystem, Wow64AndRegistryWideStrings) {
  struct Case {
    Json::Value wow64;
    std::optional<bool> answer;
  };
  const Case cases[] = {{Json::Value(), false}, {true, true}, {false, false}, {"unavailable", std::nullopt}};
  for (const Case& c : cases) {
    Json::Value machine = testing_support::MinimalMachine();
    if (!c.wow64.isNull()) machine["windows"]["wow64"] = c.wow64;
    machine["registry"]["HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"]["ProductName"] = "Windows 7 旗舰版";
    testing_support::TempMachine m(machine);
    EXPECT_EQ(platform::Current().system().IsWow64Process(), c.answer);
    auto& registry = platform::Current().registry();
    auto key = registry.OpenKey(platform::RegistryRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    ASSERT_TRUE(key);
    EXPECT_EQ(registry.ReadWideString(*key, L"productname", 250), L"Windows 7 旗舰版");
    EXPECT_FALSE(registry.ReadWideString(*key, L"ProductName", 26));  // 13 characters and the zero need 28 bytes
    EXPECT_FALSE(registry.ReadWideString(*key, L"EditionID", 250));
  }
}

}  // namespace
