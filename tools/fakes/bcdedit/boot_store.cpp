#include "fakes/bcdedit/boot_store.h"

#include <cwctype>
#include <utility>

#include "fakes/support/fake_tool.h"
#include "fakes/support/machine_state.h"
#include "fakes/support/windows_paths.h"
#include "platform/sim/sim_services.h"

namespace fakes {
namespace {

const std::map<std::string, std::string>& Headings() {
  static const std::map<std::string, std::string> headings{{kBootManager, "Windows Boot Manager"},
                                                           {kOsLoader, "Windows Boot Loader"},
                                                           {kBootSector, "Real-mode Boot Sector"},
                                                           {kDeviceOptions, "Device options"}};
  return headings;
}

bool SystemDiskIsGpt(const sim::MachineConfig& config, wchar_t systemLetter) {
  auto system = sim::FindVolume(config, systemLetter);
  return system && system->disk->style == "gpt";
}

BootStore FreshStore(const sim::SimPlatform& machine) {
  const std::wstring& systemDirectory = machine.config().systemDirectory;
  wchar_t letter = systemDirectory.empty() ? L'C' : static_cast<wchar_t>(std::towupper(systemDirectory[0]));
  std::string system = std::string(1, static_cast<char>(letter)) + ":";
  BootStore store;
  store.objects["{bootmgr}"] = {kBootManager, "Windows Boot Manager", {{"timeout", "30"}}};
  store.objects["{current}"] = {
      kOsLoader,
      "Windows",
      {{"device", "partition=" + system},
       {"path", SystemDiskIsGpt(machine.config(), letter) ? "\\Windows\\system32\\winload.efi"
                                                           : "\\Windows\\system32\\winload.exe"},
       {"osdevice", "partition=" + system},
       {"systemroot", "\\Windows"}}};
  store.displayOrder = {"{current}"};
  store.defaultEntry = "{current}";
  return store;
}

// Reads the fields of state/bcd.json, naming the one that is wrong.
class StoreReader {
 public:
  explicit StoreReader(std::string name) : name_(std::move(name)) {}

  BootStore Read(const Json::Value& root) {
    Expect(root.isObject(), "the file", "an object");
    BootStore store;
    const Json::Value& objects = root["objects"];
    Expect(objects.isObject(), "objects", "an object of entries by identifier");
    for (const std::string& id : objects.getMemberNames()) {
      store.objects[LowerAscii(id)] = Object(objects[id], "objects." + id);
    }
    Expect(store.objects.count("{bootmgr}") == 1, "objects.{bootmgr}", "present (the boot manager)");
    const Json::Value& order = root["displayOrder"];
    Expect(order.isArray(), "displayOrder", "an array of identifiers");
    for (Json::ArrayIndex i = 0; i < order.size(); ++i) {
      Expect(order[i].isString(), "displayOrder[" + std::to_string(i) + "]", "an identifier");
      store.displayOrder.push_back(LowerAscii(order[i].asString()));
    }
    const Json::Value& defaultEntry = root["default"];
    Expect(defaultEntry.isString(), "default", "an identifier or \"\"");
    store.defaultEntry = LowerAscii(defaultEntry.asString());
    return store;
  }

 private:
  BootObject Object(const Json::Value& value, const std::string& field) {
    Expect(value.isObject(), field, "an object");
    BootObject object;
    Expect(value["type"].isString() && Headings().count(value["type"].asString()) == 1, field + ".type",
           "one of bootmgr, osloader, bootsector, device");
    object.type = value["type"].asString();
    Expect(value["description"].isString(), field + ".description", "a string");
    object.description = value["description"].asString();
    const Json::Value& elements = value["elements"];
    Expect(elements.isObject(), field + ".elements", "an object of element values");
    for (const std::string& name : elements.getMemberNames()) {
      Expect(elements[name].isString(), field + ".elements." + name, "a string");
      object.elements[LowerAscii(name)] = elements[name].asString();
    }
    return object;
  }

  void Expect(bool ok, const std::string& field, const std::string& what) const {
    if (!ok) throw ToolError(name_ + ": " + field + " must be " + what);
  }

  std::string name_;
};

}  // namespace

StoreLocation SystemStore(const sim::SimPlatform& machine) {
  return {machine.StateFile("bcd.json"), "state/bcd.json", true};
}

StoreLocation StoreFileAt(const sim::SimPlatform& machine, const std::string& path) {
  const std::string full = FullWindowsPath(path);
  return {HostPathOf(machine, full), full, false};
}

BootStore LoadStore(const sim::SimPlatform& machine, const StoreLocation& location) {
  auto document = ReadJsonFile(location.file);
  if (document) return StoreReader(location.name).Read(*document);
  if (!location.systemStore) {
    throw ToolError("/store " + location.name +
                    ": the boot configuration data store could not be opened (no such file)");
  }
  return FreshStore(machine);
}

void SaveStore(const StoreLocation& location, const BootStore& store) {
  Json::Value root(Json::objectValue);
  root["objects"] = Json::Value(Json::objectValue);
  for (const auto& [id, object] : store.objects) {
    Json::Value& o = root["objects"][id];
    o["type"] = object.type;
    o["description"] = object.description;
    o["elements"] = Json::Value(Json::objectValue);
    for (const auto& [name, value] : object.elements) o["elements"][name] = value;
  }
  root["displayOrder"] = Json::Value(Json::arrayValue);
  for (const std::string& id : store.displayOrder) root["displayOrder"].append(id);
  root["default"] = store.defaultEntry;
  WriteJsonFile(location.file, root);
}

std::string KindHeading(const std::string& type) { return Headings().at(type); }

}  // namespace fakes
