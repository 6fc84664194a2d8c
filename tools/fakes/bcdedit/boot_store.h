#pragma once
// The boot configuration store of the simulated machine, kept in state/bcd.json.

#include <json/value.h>

#include <filesystem>
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

// Where a store is kept: the machine's own in state/bcd.json, or a store file named with
// /store (a file of the same format on a drive of the machine).
struct StoreLocation {
  std::filesystem::path file;  // on the host
  std::string name;            // as messages name it: "state/bcd.json" or the Windows path
  bool systemStore = false;
};
StoreLocation SystemStore(const sim::SimPlatform& machine);
// `path` as given after /store, relative to the working folder or full.
StoreLocation StoreFileAt(const sim::SimPlatform& machine, const std::string& path);

// The store at `location`. The machine's own, when state/bcd.json is missing, is that of
// a freshly installed Windows (the boot manager with a 30 second menu and {current}, the
// running system, as the one entry and default); a missing store file fails. Throws
// ToolError naming the file and the field when the file is not a store.
BootStore LoadStore(const sim::SimPlatform& machine, const StoreLocation& location);
void SaveStore(const StoreLocation& location, const BootStore& store);

// The heading of an object's kind in listings ("Windows Boot Loader").
std::string KindHeading(const std::string& type);

}  // namespace fakes
