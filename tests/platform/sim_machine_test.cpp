// The simulated machine answers as a Windows machine would.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

#include "platform/platform.h"
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
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const std::wstring open = L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/api/os-list";

  {
    TempMachine m;
    auto& network = platform::Current().network();
    EXPECT_TRUE(network.CheckConnection(open));
    EXPECT_FALSE(network.CheckConnection(L"not a url"));
  }
  close(listener);  // nothing listens there any more
  {
    TempMachine m;
    EXPECT_FALSE(platform::Current().network().CheckConnection(open));
  }
  Json::Value down = MinimalMachine();
  down["network"]["up"] = false;
  TempMachine m(down);
  EXPECT_FALSE(platform::Current().network().CheckConnection(open));
}

}  // namespace
