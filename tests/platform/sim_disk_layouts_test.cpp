// The disk layouts of state/disks.json: a change carries the partitions' files and
// attributes to where their letters and numbers put them, and a machine opened before the
// change sees it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "platform/sim/disk_layouts.h"
#include "support/state_records.h"
#include "support/usb_machine.h"
#include "support/usb_stick_machine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MachineWithUsbStick;
using testing_support::TempMachine;

platform::Files& Files() { return platform::Current().files(); }

const sim::Disk& DiskOf(const sim::MachineConfig& config, uint32_t number) {
  for (const sim::Disk& d : config.disks) {
    if (d.number == number) return d;
  }
  throw std::runtime_error("no such disk");
}

// The stick of MachineWithUsbStick: E: (entry 1) holds photo.jpg, hidden; entry 2, without
// a letter, holds notes.txt, read-only.
class DiskLayouts : public testing::Test {
 protected:
  DiskLayouts() : machine_(MachineWithUsbStick()) {
    machine_.WriteFile(L"E:\\photo.jpg", "jpeg");
    EXPECT_TRUE(Files().SetFileAttributes(L"E:\\photo.jpg", platform::kFileAttributeHidden));
    const fs::path second = machine_.folder() / "drives" / "Harddisk2Partition2";
    fs::create_directories(second);
    std::ofstream(second / "notes.txt") << "notes";
    std::ofstream(machine_.folder() / "state" / "attributes.json")
        << "{\"e:\\\\photo.jpg\": 2, \"\\\\device\\\\harddisk2\\\\partition2\\\\notes.txt\": 1}";
  }
  // Changes the stick's layout as another process of the machine would.
  bool Change(const std::function<bool(sim::Disk&)>& change) {
    sim::SimPlatform other(machine_.folder());
    return sim::ChangeDiskLayout(other, 2, change);
  }
  Json::Value Attributes() { return testing_support::ReadStateFile(machine_, "attributes.json"); }

  TempMachine machine_;
};

TEST_F(DiskLayouts, TwoPartitionsTradingPlacesTradeTheirFilesAndAttributes) {
  const sim::MachineConfig& before = machine_.machine().config();
  ASSERT_TRUE(Change([](sim::Disk& d) {
    std::swap(d.partitions[0], d.partitions[1]);
    sim::RenumberTable(d);
    return true;
  }));
  // The machine opened before the change sees it; the config it gave out stays as it was.
  const sim::Disk& stick = DiskOf(machine_.machine().config(), 2);
  ASSERT_EQ(stick.partitions.size(), 2u);
  EXPECT_EQ(stick.partitions[0].id, 2u);
  EXPECT_EQ(stick.partitions[0].letter, L'E');
  EXPECT_EQ(stick.partitions[1].letter, 0);
  EXPECT_EQ(DiskOf(before, 2).partitions[0].id, 1u);
  EXPECT_EQ(DiskOf(before, 2).partitions[0].letter, L'E');

  EXPECT_EQ(*Files().ReadFile(L"E:\\notes.txt"), "notes");
  EXPECT_FALSE(Files().FileExists(L"E:\\photo.jpg"));
  EXPECT_EQ(Files().GetFileAttributes(L"E:\\notes.txt"), platform::kFileAttributeReadOnly);
  EXPECT_TRUE(fs::exists(machine_.folder() / "drives" / "Harddisk2Partition2" / "photo.jpg"));
  Json::Value expected;
  expected["e:\\notes.txt"] = 1;
  expected["\\device\\harddisk2\\partition2\\photo.jpg"] = 2;
  EXPECT_EQ(Attributes(), expected);
}

TEST_F(DiskLayouts, AGonePartitionTakesItsFilesAndANewOneStartsEmpty) {
  ASSERT_TRUE(Change([](sim::Disk& d) {
    d.partitions.erase(d.partitions.begin());  // E: goes
    d.partitions.push_back(d.partitions[0]);   // a copy of entry 2 as a new partition
    d.partitions.back().id = 0;
    d.partitions.back().offsetBytes += d.partitions.back().sizeBytes;
    sim::RenumberTable(d);
    return true;
  }));
  const sim::Disk& stick = DiskOf(machine_.machine().config(), 2);
  ASSERT_EQ(stick.partitions.size(), 2u);
  EXPECT_EQ(stick.partitions[0].id, 2u);
  EXPECT_EQ(stick.partitions[1].id, 3u);  // above every id of the layout before
  // Entry 2 moved to E: and the new partition took its old place, empty.
  EXPECT_EQ(*Files().ReadFile(L"E:\\notes.txt"), "notes");
  EXPECT_FALSE(Files().FileExists(L"E:\\photo.jpg"));
  EXPECT_TRUE(fs::is_empty(machine_.folder() / "drives" / "Harddisk2Partition2"));
  Json::Value expected;
  expected["e:\\notes.txt"] = 1;
  EXPECT_EQ(Attributes(), expected);
}

TEST_F(DiskLayouts, AChangeThatDeclinesOrCannotBeMadeLeavesEverything) {
  EXPECT_FALSE(Change([](sim::Disk& d) {
    d.partitions.clear();
    return false;
  }));
  EXPECT_THROW(Change([](sim::Disk& d) {
    d.letter = L'C';  // the system volume's letter
    sim::RenumberTable(d);
    return true;
  }),
               sim::DiskLayoutError);
  sim::SimPlatform other(machine_.folder());
  EXPECT_THROW(sim::ChangeDiskLayout(other, 7, [](sim::Disk&) { return true; }), sim::DiskLayoutError);
  EXPECT_FALSE(fs::exists(machine_.folder() / "state" / "disks.json"));
  EXPECT_EQ(*Files().ReadFile(L"E:\\photo.jpg"), "jpeg");
}

TEST_F(DiskLayouts, ADetachedDiskCannotBeChangedAndAPluggedOneIsSeenAgain) {
  ASSERT_TRUE(machine_.machine().DetachDisk(2));
  EXPECT_FALSE(Files().FileExists(L"E:\\photo.jpg"));
  EXPECT_THROW(Change([](sim::Disk&) { return true; }), sim::DiskLayoutError);
  std::ofstream(machine_.folder() / "state" / "detached.json") << "{\"disks\": []}";
  EXPECT_TRUE(Files().FileExists(L"E:\\photo.jpg"));
}

TEST_F(DiskLayouts, AnEntryOutOfFormatLeavesTheDiskAsMachineJsonHasIt) {
  for (const char* entry : {"{\"style\": \"floppy\", \"partitions\": []}",
                            "{\"style\": \"mbr\", \"partitions\": [{\"number\": 1}]}",
                            "{\"style\": \"mbr\", \"letter\": \"E\", \"partitions\": [{\"id\": 4, \"number\": 1, "
                            "\"sizeBytes\": 5, \"letter\": \"E\"}, {\"id\": 4, \"number\": 2, \"sizeBytes\": 5}]}"}) {
    std::ofstream(machine_.folder() / "state" / "disks.json") << "{\"disks\": {\"2\": " << entry << "}}";
    machine_.machine().NoticeStateChange();
    EXPECT_EQ(DiskOf(machine_.machine().config(), 2).partitions[0].sizeBytes, 7 * testing_support::kGiB) << entry;
  }
}

}  // namespace
