// Which adapter address identifies the machine, and the markers when none can be listed.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "base/json_read.h"

#include "stats/device_identity.h"
#include "support/temp_machine.h"

namespace {

using testing_support::MinimalMachine;
using testing_support::TempMachine;

const char kClassKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";

constexpr int kPhysical = 0x84;  // NCF_PHYSICAL with another bit set
constexpr int kVirtual = 0x1;

struct AdapterSpec {
  const char* mac;
  int ifType;
  int characteristics;  // -1: no registry entry
  const char* ip = "192.168.1.2";
};

Json::Value MachineWith(const std::vector<AdapterSpec>& adapters) {
  Json::Value machine = MinimalMachine();
  int index = 0;
  int unregistered = 0;
  for (const AdapterSpec& s : adapters) unregistered += s.characteristics < 0;
  int registered = static_cast<int>(adapters.size()) - unregistered;
  for (const AdapterSpec& s : adapters) {
    std::string name = "{ADAPTER-" + std::to_string(index) + "}";
    Json::Value a;
    a["name"] = name;
    a["mac"] = s.mac;
    a["ifType"] = s.ifType;
    a["ipAddress"] = s.ip;
    machine["network"]["adapters"].append(a);
    if (s.characteristics >= 0) {
      char subkey[16];
      // Registered in the reverse of list order, numbered from 0000 without gaps.
      std::snprintf(subkey, sizeof subkey, "%04d", --registered);
      Json::Value& key = machine["registry"][std::string(kClassKey) + subkey];
      key["NetCfgInstanceId"] = "{adapter-" + std::to_string(index) + "}";  // case differs
      key["Characteristics"] = s.characteristics;
    }
    ++index;
  }
  return machine;
}

const char kWired[] = "00-1A-2B-3C-4D-5E";
const char kWireless[] = "A4-C3-F0-85-1B-3D";
const char kOther[] = "00-50-56-C0-00-08";

TEST(GetMacAddress, ChoosesWiredPhysicalThenWirelessPhysicalThenAny) {
  struct Case {
    const char* name;
    std::vector<AdapterSpec> adapters;
    const char* expected;
  };
  const Case cases[] = {
      {"wired after wireless", {{kWireless, 71, kPhysical}, {kWired, 6, kPhysical}}, kWired},
      {"wired before wireless", {{kWired, 6, kPhysical}, {kWireless, 71, kPhysical}}, kWired},
      {"only wireless is physical", {{kOther, 6, kVirtual}, {kWireless, 71, kPhysical}}, kWireless},
      {"virtual first, then physical wired", {{kOther, 6, kVirtual}, {kWired, 6, kPhysical}}, kWired},
      {"nothing physical: first 6-byte", {{"00-11-22-33-44-55-66-77", 6, kVirtual}, {kOther, 6, kVirtual}}, kOther},
      // -1 has every bit set: an adapter missing from the registry passes as physical.
      {"unknown to the registry counts as wired physical", {{kOther, 6, -1}, {kWired, 6, kPhysical}}, kOther},
      {"unknown to the registry beats a wireless physical", {{kWireless, 71, kPhysical}, {kWired, 6, -1}}, kWired},
      {"unknown wireless beats a virtual wired", {{kOther, 6, kVirtual}, {kWireless, 71, -1}}, kWireless},
      {"unknown to the registry alone", {{kOther, 6, -1}}, kOther},
      {"8-byte physical is never chosen", {{"00-11-22-33-44-55-66-77", 6, kPhysical}}, ""},
      {"no address at all", {{"", 24, kPhysical}}, ""},
  };
  for (const Case& c : cases) {
    TempMachine m(MachineWith(c.adapters));
    EXPECT_EQ(GetMacAddress(), c.expected) << c.name;
  }
}

// The demo machine lists a virtual adapter, the Wi-Fi adapter, then the wired one.
TEST(GetMacAddress, DemoMachineWhoseWiredAdapterHasNoRegistryEntryReportsTheWiredOne) {
  std::ifstream in(TARNVIK_SOURCE_DIR "/tools/machines/demo/machine.json");
  std::stringstream text;
  text << in.rdbuf();
  Json::Value demo;
  std::string error;
  ASSERT_TRUE(tarnvik::ReadJsonText(text.str(), demo, error)) << error;
  const char kDemoWired[] = "1C-69-7A-0E-44-B2";
  {
    TempMachine m(demo);
    EXPECT_EQ(GetMacAddress(), kDemoWired);
  }
  const std::string wiredEntry = std::string(kClassKey) + "0002";
  ASSERT_TRUE(demo["registry"].isMember(wiredEntry));
  demo["registry"].removeMember(wiredEntry);
  TempMachine m(demo);
  EXPECT_EQ(AdapterCharacteristics("{E3A1D8F4-6B2C-4A7E-B9D0-2C4E6F8A0B1D}"), -1);
  EXPECT_EQ(GetMacAddress(), kDemoWired);  // not the Wi-Fi adapter's A4-C3-F0-85-1B-3D
}

TEST(GetMacAddress, FallsBackToTheOlderListingWhenTheFirstFails) {
  for (const char* fault : {"error", "overflow"}) {
    Json::Value machine = MachineWith({{kOther, 6, kVirtual, "0.0.0.0"}, {kWired, 6, kPhysical}});
    machine["network"]["adapters"][1]["inAddresses"] = false;  // only the older listing has it
    machine["faults"]["adapterAddresses"] = fault;
    TempMachine m(machine);
    // The adapter without an IP address is left out of the older listing.
    EXPECT_EQ(GetMacAddress(), kWired) << fault;
  }
}

TEST(GetMacAddress, ManyAdaptersNeedALargerBuffer) {
  std::vector<AdapterSpec> adapters(40, AdapterSpec{kOther, 6, kVirtual});
  adapters.push_back({kWired, 6, kPhysical});
  Json::Value machine = MachineWith(adapters);
  // Were the second call not made with the asked size, the older listing would answer.
  machine["faults"]["adaptersInfo"] = "error";
  TempMachine m(machine);
  EXPECT_EQ(GetMacAddress(), kWired);
}

TEST(GetMacAddress, MarkersWhenNoListingWorks) {
  struct Case {
    const char* infoFault;
    const char* expected;
  };
  const Case cases[] = {{"probe", ":3:1"}, {"allocate", ":4:1"}, {"error", ":5:1"}};
  for (const Case& c : cases) {
    Json::Value machine = MachineWith({{kWired, 6, kPhysical}});
    machine["faults"]["adapterAddresses"] = "error";
    machine["faults"]["adaptersInfo"] = c.infoFault;
    TempMachine m(machine);
    EXPECT_EQ(GetMacAddress(), c.expected) << c.infoFault;
  }
  // A machine with no adapter at all: both listings answer "no data".
  TempMachine empty(MinimalMachine());
  EXPECT_EQ(GetMacAddress(), ":3:1");
}

TEST(AdapterCharacteristics, ScansTheClassKeyByNumberUpToItsSubkeyCount) {
  Json::Value machine = MachineWith({{kWired, 6, 0x84}, {kOther, 6, kVirtual}});
  {
    TempMachine m(machine);
    EXPECT_EQ(AdapterCharacteristics("{ADAPTER-0}"), 0x84);
    EXPECT_EQ(AdapterCharacteristics("{ADAPTER-1}"), kVirtual);
    EXPECT_EQ(AdapterCharacteristics("{ADAPTER-9}"), -1);
  }
  // Two subkeys: numbers 0000 and 0001 are looked at, a third one numbered 0050 is not...
  const std::string classKey = std::string(kClassKey).substr(0, std::strlen(kClassKey) - 1);
  machine["registry"][std::string(kClassKey) + "0050"]["NetCfgInstanceId"] = "{late}";
  machine["registry"][std::string(kClassKey) + "0050"]["Characteristics"] = 0x4;
  {
    TempMachine m(machine);
    EXPECT_EQ(AdapterCharacteristics("{late}"), -1);
  }
  // ...unless the key information cannot be read: then the first 100 numbers are.
  machine["faults"]["registryKeyInfo"].append(classKey);
  {
    TempMachine m(machine);
    EXPECT_EQ(AdapterCharacteristics("{late}"), 0x4);
  }
  TempMachine noClassKey(MinimalMachine());
  EXPECT_EQ(AdapterCharacteristics("{ADAPTER-0}"), -1);
}

}  // namespace
