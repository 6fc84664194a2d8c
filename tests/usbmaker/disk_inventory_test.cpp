// The disk inventory on a machine with the awkward cases: a USB stick of two volumes,
// a card-reader slot without a card, a USB hard disk whose volume reports fixed and that
// the device registry does not name, a USB disk of size 0, a GPT system disk with a
// lettered EFI system partition, an MBR disk with an active partition, a disk without
// partitions.

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "support/temp_machine.h"
#include "usbmaker/disk_inventory.h"

namespace {

using testing_support::TempMachine;

constexpr int64_t kGiB = int64_t(1) << 30;

Json::Value Partition(int number, const char* letter, const char* fileSystem, int64_t size, int64_t free) {
  Json::Value p;
  p["number"] = number;
  p["letter"] = letter;
  if (*fileSystem != '\0') p["fileSystem"] = fileSystem;
  p["sizeBytes"] = Json::Int64(size);
  p["freeBytes"] = Json::Int64(free);
  return p;
}

Json::Value Disk(int number, const char* bus, const char* style, int64_t size, const char* friendlyName) {
  Json::Value d;
  d["number"] = number;
  d["bus"] = bus;
  d["style"] = style;
  d["sizeBytes"] = Json::Int64(size);
  d["friendlyName"] = friendlyName;
  d["partitions"] = Json::Value(Json::arrayValue);
  return d;
}

Json::Value AwkwardMachine() {
  Json::Value m;
  m["windows"]["systemDirectory"] = " C:\\Windows\\system32 ";
  m["program"]["path"] = "D:\\Tarnvik\\Tarnvik.exe";
  m["network"]["up"] = false;
  m["network"]["adapters"] = Json::Value(Json::arrayValue);

  Json::Value system = Disk(0, "nvme", "gpt", 2000000000, "Samsung SSD 980");
  Json::Value esp = Partition(1, "S", "FAT32", 100 << 20, 70 << 20);
  esp["type"] = "efi";
  system["partitions"].append(esp);
  Json::Value msr;
  msr["number"] = 2;
  msr["type"] = "msr";
  msr["sizeBytes"] = 16 << 20;
  system["partitions"].append(msr);
  system["partitions"].append(Partition(3, "C", "NTFS", 1500000000, 600000000));
  m["disks"].append(system);

  Json::Value data = Disk(1, "sata", "mbr", 1000204886016, "ST1000DM010");
  Json::Value d = Partition(1, "D", "NTFS", 500 * kGiB, 200 * kGiB);
  d["active"] = true;
  d["label"] = "数据";
  data["partitions"].append(d);
  data["partitions"].append(Partition(2, "F", "FAT32", 400 * kGiB, 100 * kGiB));
  m["disks"].append(data);

  Json::Value stick = Disk(2, "usb", "mbr", 32 * kGiB, "SanDisk Ultra USB 3.0");
  stick["removableMedia"] = true;
  stick["partitions"].append(Partition(1, "E", "FAT32", 16 * kGiB, 10 * kGiB));
  stick["partitions"].append(Partition(2, "G", "NTFS", 15 * kGiB, 5 * kGiB));
  m["disks"].append(stick);

  Json::Value reader = Disk(3, "usb", "raw", 0, "Generic SD Reader");
  reader["removableMedia"] = true;
  reader["noMedia"] = true;
  reader["partitions"].append(Partition(1, "H", "", 0, 0));
  m["disks"].append(reader);

  Json::Value usbHdd = Disk(4, "usb", "mbr", 1000 * kGiB, "");  // no name in the device registry
  usbHdd["partitions"].append(Partition(1, "I", "NTFS", 999 * kGiB, 300 * kGiB));
  m["disks"].append(usbHdd);

  m["disks"].append(Disk(5, "sata", "raw", 500 * kGiB, "blank disk"));

  Json::Value empty = Disk(6, "usb", "mbr", 0, "Empty Card");
  empty["removableMedia"] = true;
  empty["partitions"].append(Partition(1, "J", "FAT32", 0, 0));
  m["disks"].append(empty);
  return m;
}

std::vector<std::string> Roots(const VolumeList& list) {
  std::vector<std::string> roots;
  for (const auto& v : list) roots.push_back(platform::WideToUtf8(v->root));
  return roots;
}

const VolumeInfo& Find(const VolumeList& list, const wchar_t* root) {
  for (const auto& v : list) {
    if (v->root == root) return *v;
  }
  throw std::runtime_error("no volume " + platform::WideToUtf8(root));
}

TEST(DiskInventory, LocalVolumesListEveryFixedAndRemovableVolume) {
  TempMachine m(AwkwardMachine());
  VolumeList list;
  ListLocalVolumes(list);
  EXPECT_EQ(Roots(list), (std::vector<std::string>{"C:\\", "D:\\", "E:\\", "F:\\", "G:\\", "H:\\", "I:\\", "J:\\",
                                                   "S:\\"}));
  const VolumeInfo& c = Find(list, L"C:\\");
  EXPECT_TRUE(c.isSystem);
  EXPECT_TRUE(c.isNtfs);
  EXPECT_EQ(c.driveType, 3u);
  EXPECT_EQ(c.totalBytes, 1500000000u);
  EXPECT_EQ(c.freeBytes, 600000000u);
  const VolumeInfo& d = Find(list, L"D:\\");
  EXPECT_EQ(d.label, L"数据");
  EXPECT_FALSE(d.isSystem);
  EXPECT_EQ(Find(list, L"E:\\").driveType, 2u);
  EXPECT_FALSE(Find(list, L"E:\\").isNtfs);
  EXPECT_EQ(Find(list, L"I:\\").driveType, 3u);  // a USB hard disk reports fixed
  const VolumeInfo& slot = Find(list, L"H:\\");  // the empty slot answers nothing
  EXPECT_EQ(slot.totalBytes, 0u);
  EXPECT_EQ(slot.label, L"");
  EXPECT_FALSE(slot.isNtfs);
  for (const auto& v : list) EXPECT_EQ(v->isSystem, v->root == L"C:\\") << platform::WideToUtf8(v->root);
}

TEST(DiskInventory, NonUsbVolumesLeaveOutEveryVolumeOnAUsbDisk) {
  TempMachine m(AwkwardMachine());
  VolumeList list;
  EXPECT_TRUE(ListNonUsbVolumes(list));
  EXPECT_EQ(Roots(list), (std::vector<std::string>{"C:\\", "D:\\", "F:\\", "S:\\"}));
}

TEST(DiskInventory, OneInternalVolumeWithUsbSticksMeetsTheOnlyOneLocalDiskCondition) {
  Json::Value machine = AwkwardMachine();
  machine["disks"][0]["partitions"].resize(0);
  machine["disks"][0]["partitions"].append(Partition(1, "C", "NTFS", 1500000000, 1));
  machine["disks"][1]["partitions"].resize(0);
  machine["program"]["path"] = "E:\\Tarnvik\\Tarnvik.exe";
  TempMachine m(machine);
  VolumeList list;
  EXPECT_TRUE(ListNonUsbVolumes(list));
  EXPECT_EQ(Roots(list), (std::vector<std::string>{"C:\\"}));  // fewer than two
}

TEST(DiskInventory, UsbDisksAreFoundByBusWithMediaOnly) {
  TempMachine m(AwkwardMachine());
  std::vector<UsbDiskRow> rows(3);  // whatever the caller held is replaced
  EXPECT_EQ(ScanUsbDisks(rows), 2);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_STREQ(rows[0].letters, L"E,G");
  EXPECT_EQ(rows[0].deviceNumber, 2u);
  EXPECT_STREQ(rows[0].friendlyName, L"SanDisk Ultra USB 3.0");
  EXPECT_STREQ(rows[1].letters, L"I");
  EXPECT_EQ(rows[1].deviceNumber, 4u);
  EXPECT_STREQ(rows[1].friendlyName, L"");  // the registry gives it no name

  VolumeList list;
  EXPECT_TRUE(ListUsbDisks(list));
  ASSERT_EQ(Roots(list), (std::vector<std::string>{"E,G:\\", "I:\\"}));
  const VolumeInfo& stick = Find(list, L"E,G:\\");
  EXPECT_EQ(stick.label, L"SanDisk Ultra USB 3.0");
  EXPECT_EQ(stick.diskNumber, 2u);
  EXPECT_EQ(stick.totalBytes, uint64_t(31 * kGiB));
  EXPECT_EQ(stick.freeBytes, uint64_t(15 * kGiB));
  EXPECT_EQ(stick.driveType, 2u);
  EXPECT_FALSE(stick.isNtfs);  // the joined root names no volume
  EXPECT_FALSE(stick.isSystem);
  const VolumeInfo& hdd = Find(list, L"I:\\");
  EXPECT_EQ(hdd.driveType, 2u);  // listed as removable, whatever its volume reports
  EXPECT_TRUE(hdd.isNtfs);
  EXPECT_EQ(hdd.diskNumber, 4u);
}

TEST(DiskInventory, NoUsbDiskGivesAnEmptyList) {
  Json::Value machine = AwkwardMachine();
  for (auto& disk : machine["disks"]) {
    if (disk["bus"] == "usb") disk["bus"] = "sata";
  }
  TempMachine m(machine);
  VolumeList list;
  EXPECT_FALSE(ListUsbDisks(list));
  EXPECT_TRUE(list.empty());
}

TEST(DiskInventory, WindowsRunningFromAUsbDiskMarksThatDisk) {
  Json::Value machine = AwkwardMachine();
  machine["windows"]["systemDirectory"] = "E:\\Windows\\system32";
  TempMachine m(machine);
  VolumeList list;
  ListUsbDisks(list);
  EXPECT_TRUE(Find(list, L"E,G:\\").isSystem);
  EXPECT_FALSE(Find(list, L"I:\\").isSystem);
}

TEST(DiskInventory, VolumeQueriesByLetter) {
  TempMachine m(AwkwardMachine());
  struct Case {
    wchar_t letter;
    bool usb;
    bool media;
    std::optional<uint32_t> usbDisk;
  };
  const Case cases[] = {
      {L'C', false, true, std::nullopt}, {L'E', true, true, 2u}, {L'g', true, true, 2u},
      {L'H', true, false, 3u},           {L'I', true, true, 4u}, {L'J', true, false, 6u},
      {L'Q', false, false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsUsbVolume(c.letter), c.usb) << char(c.letter);
    EXPECT_EQ(VolumeHasMedia(c.letter), c.media) << char(c.letter);
    uint32_t number = 99;
    EXPECT_EQ(UsbDiskNumberOfVolume(c.letter, number), c.usbDisk.has_value()) << char(c.letter);
    if (c.usbDisk) {
      EXPECT_EQ(number, *c.usbDisk) << char(c.letter);
    }
  }
}

TEST(DiskInventory, PartitionLocationAndItsTraceLines) {
  struct Case {
    wchar_t letter;
    bool found;
    PartitionLocation location;
    const char* trace;
  };
  const Case cases[] = {
      {L'C', true, {1, 3, false, true}, "-C:-2000000000\nC-1:3\r\n"},
      {L'D', true, {2, 1, true, false}, "-D:--522493952\nD-2:1\r\n"},  // the low 32 bits of the size
      {L'F', true, {2, 2, false, false}, "-F:--522493952\nF-2:2\r\n"},
      {L'S', false, {1, 1, true, false}, "-p2\n"},   // the EFI system partition itself
      {L'J', false, {7, 1, false, false}, "-J:-0\n-p4\n"},  // a disk of size 0
      {L'H', true, {4, 1, false, false}, "-p1\n"},   // no card: no partition information
      {L'Q', false, {0, 0, false, false}, "err-getPt -1"},
      {L'X', false, {0, 0, false, false}, "err-getPt -2"},
      {L'Y', true, {2, 4, true, false}, "-p3\n"},
      {L'Z', true, {2, 5, false, false}, "-p1\n"},
  };
  Json::Value machine = AwkwardMachine();
  for (auto [number, letter] : {std::pair{3, "X"}, {4, "Y"}, {5, "Z"}}) {
    Json::Value p = Partition(number, letter, "NTFS", kGiB, 0);
    p["active"] = letter[0] == 'Y';
    machine["disks"][1]["partitions"].append(p);
  }
  machine["faults"]["controls"]["deviceNumber"].append("\\\\.\\X:");
  machine["faults"]["controls"]["driveGeometry"].append("\\\\.\\Y:");
  machine["faults"]["controls"]["partitionInfo"].append("\\\\.\\Z:");
  TempMachine m(machine);
  platform::Current().console().Open(L"trace");
  for (const Case& c : cases) {
    PartitionLocation location{9, 9, true, true};
    testing::internal::CaptureStdout();
    bool found = GetPartitionLocation(c.letter, location);
    std::string trace = testing::internal::GetCapturedStdout();
    EXPECT_EQ(found, c.found) << char(c.letter);
    EXPECT_EQ(trace, c.trace) << char(c.letter);
    EXPECT_EQ(location.diskOrdinal, c.location.diskOrdinal) << char(c.letter);
    EXPECT_EQ(location.partitionNumber, c.location.partitionNumber) << char(c.letter);
    EXPECT_EQ(location.isActiveOrEsp, c.location.isActiveOrEsp) << char(c.letter);
    EXPECT_EQ(location.isGpt, c.location.isGpt) << char(c.letter);
  }
}

TEST(DiskInventory, DiskCountAndEfiPartitions) {
  Json::Value machine = AwkwardMachine();
  Json::Value second = Disk(7, "sata", "gpt", 100 * kGiB, "");
  second["partitions"].append(Partition(1, "", "NTFS", kGiB, 0));
  Json::Value esp = Partition(2, "", "FAT32", kGiB, 0);
  esp["type"] = "efi";
  second["partitions"].append(esp);
  machine["disks"].append(second);
  {
    TempMachine m(machine);
    EXPECT_EQ(CountPhysicalDisks(), 8);
    EXPECT_EQ(FindEfiPartition(0), 1);
    EXPECT_EQ(FindEfiPartition(7), 2);
    EXPECT_EQ(FindEfiPartition(1), 0);  // MBR: every partition probed, none is one
    EXPECT_EQ(FindEfiPartition(5), 0);  // no partitions at all
    EXPECT_EQ(FindEfiPartition(42), 0);
  }
  machine["disks"][2]["number"] = 9;  // numbers 0, 1, 3, ...: counting stops at the gap
  TempMachine m(machine);
  EXPECT_EQ(CountPhysicalDisks(), 2);
}

}  // namespace
