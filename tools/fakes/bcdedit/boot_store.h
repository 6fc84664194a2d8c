#pragma once
// The boot configuration store of the simulated machine, kept in state/bcd.json.

#include <json/value.h>

#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace fakes {

// Kinds of store objects, as state/bcd.json names them.
inline constexpr char kBootManager[] = "bootmgr";
inline constexpr char kOsLoader[] = "osloader";
inline constexpr char kBootSector[] = "bootsector";
inline constexpr char kDeviceOptions[] = "device";

struct BootObject {
  std::string type;  // one of the kinds above
  std::string description;
  std::map<std::string, std::string> elements;  // by element name, values as text
};

// Identifiers are kept in lower case ("{bootmgr}", "{ba50c1f0-...}").
struct BootStore {
  std::map<std::string, BootObject> objects;
  std::vector<std::string> displayOrder;
  std::string defaultEntry;  // empty: no default
};

inline constexpr char kStoreFile[] = "bcd.json";

// The machine's store: state/bcd.json, or, when there is none, the store of a freshly
// installed Windows (the boot manager with a 30 second menu and {current}, the running
// system, as the one entry and default). Throws ToolError naming the file and the field
// when the file is not a store.
BootStore LoadStore(const sim::SimPlatform& machine);
void SaveStore(const sim::SimPlatform& machine, const BootStore& store);

// The heading of an object's kind in listings ("Windows Boot Loader").
std::string KindHeading(const std::string& type);

}  // namespace fakes
