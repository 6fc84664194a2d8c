#include "fakes/bcdedit/edit_commands.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "fakes/bcdedit/element_rules.h"
#include "fakes/support/fake_tool.h"

namespace fakes {
namespace {

constexpr char kRamdiskOptions[] = "{ramdiskoptions}";

// "{8-4-4-4-12 hexadecimal digits}".
bool IsGuid(const std::string& id) {
  if (id.size() != 38 || id.front() != '{' || id.back() != '}') return false;
  for (size_t i = 1; i + 1 < id.size(); ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? id[i] != '-' : !std::isxdigit(static_cast<unsigned char>(id[i]))) return false;
  }
  return true;
}

// An identifier as the store keeps it: a GUID or a well-known name, in braces, lower case.
std::string Identifier(const std::string& command, const std::string& text) {
  if (text.size() < 3 || text.front() != '{' || text.back() != '}' ||
      text.find_first_of(" \t", 0) != std::string::npos) {
    throw ToolError(command + ": '" + text + "' is not an identifier ({GUID} or a well-known name such as {bootmgr})");
  }
  return LowerAscii(text);
}

void ExpectCount(const std::vector<std::string>& args, size_t count, const std::string& form) {
  if (args.size() != count) throw ToolError(args[0] + " takes " + form);
}

BootObject& Existing(BootStore& store, const std::string& command, const std::string& id) {
  auto found = store.objects.find(id);
  if (found == store.objects.end()) throw ToolError(command + " " + id + ": the entry does not exist");
  return found->second;
}

// The options after the identifier of /create and /delete: `withValue` ones take the next
// argument, the others stand alone.
std::map<std::string, std::string> Options(const std::vector<std::string>& args, size_t from,
                                           const std::vector<std::string>& withValue,
                                           const std::vector<std::string>& alone) {
  std::map<std::string, std::string> options;
  for (size_t i = from; i < args.size(); ++i) {
    std::string name = LowerAscii(args[i]);
    bool takesValue = std::find(withValue.begin(), withValue.end(), name) != withValue.end();
    if (!takesValue && std::find(alone.begin(), alone.end(), name) == alone.end()) {
      throw ToolError(args[0] + ": '" + args[i] + "' is not an option of " + args[0]);
    }
    if (options.count(name) == 1) throw ToolError(args[0] + ": " + name + " is given twice");
    if (takesValue && i + 1 == args.size()) throw ToolError(args[0] + ": " + name + " needs a value");
    options[name] = takesValue ? args[++i] : "";
  }
  return options;
}

std::string Create(sim::SimPlatform&, BootStore& store, const std::vector<std::string>& args) {
  if (args.size() < 2) throw ToolError("/create takes {id} /d DESCRIPTION /application osloader|bootsector");
  std::string id = Identifier(args[0], args[1]);
  auto options = Options(args, 2, {"/d", "/application"}, {});
  if (store.objects.count(id) == 1) throw ToolError("/create " + id + ": the entry already exists");
  BootObject object;
  if (id == kRamdiskOptions) {
    if (options.count("/application") == 1) throw ToolError("/create " + id + ": /application does not apply");
    object.type = kDeviceOptions;
    object.description = options.count("/d") == 1 ? options["/d"] : "Ramdisk Options";
  } else if (IsGuid(id)) {
    if (options.count("/d") == 0) throw ToolError("/create " + id + ": /d DESCRIPTION is missing");
    if (options.count("/application") == 0) {
      throw ToolError("/create " + id + ": /application osloader|bootsector is missing");
    }
    std::string application = LowerAscii(options["/application"]);
    if (application != kOsLoader && application != kBootSector) {
      throw ToolError("/create " + id + ": '" + options["/application"] +
                      "' is not an application this editor makes (osloader or bootsector)");
    }
    object.type = application;
    object.description = options["/d"];
  } else {
    throw ToolError("/create " + id + ": only a {GUID} or {ramdiskoptions} can be created");
  }
  store.objects[id] = object;
  return "The entry " + id + " was successfully created.";
}

std::string Delete(sim::SimPlatform&, BootStore& store, const std::vector<std::string>& args) {
  if (args.size() < 2) throw ToolError("/delete takes {id} [/f]");
  std::string id = Identifier(args[0], args[1]);
  auto options = Options(args, 2, {}, {"/f"});
  Existing(store, "/delete", id);
  if (id == "{bootmgr}") throw ToolError("/delete {bootmgr}: the boot manager cannot be deleted");
  if (!IsGuid(id) && options.count("/f") == 0) {
    throw ToolError("/delete " + id + ": a well-known identifier is deleted only with /f");
  }
  store.objects.erase(id);
  store.displayOrder.erase(std::remove(store.displayOrder.begin(), store.displayOrder.end(), id),
                           store.displayOrder.end());
  if (store.defaultEntry == id) store.defaultEntry.clear();
  return "The operation completed successfully.";
}

std::string Set(sim::SimPlatform& machine, BootStore& store, const std::vector<std::string>& args) {
  ExpectCount(args, 4, "{id} ELEMENT VALUE");
  std::string id = Identifier(args[0], args[1]);
  BootObject& object = Existing(store, "/set", id);
  std::string name = LowerAscii(args[2]);
  CheckElement(machine, id, object.type, name, args[3]);
  object.elements[name] = args[3];
  return "The operation completed successfully.";
}

std::string DisplayOrder(sim::SimPlatform&, BootStore& store, const std::vector<std::string>& args) {
  ExpectCount(args, 3, "{id} /addlast");
  std::string id = Identifier(args[0], args[1]);
  if (!EqualsNoCase(args[2], "/addlast")) {
    throw ToolError("/displayorder: '" + args[2] + "' is not an option of /displayorder (/addlast)");
  }
  Existing(store, "/displayorder", id);
  store.displayOrder.erase(std::remove(store.displayOrder.begin(), store.displayOrder.end(), id),
                           store.displayOrder.end());
  store.displayOrder.push_back(id);
  return "The operation completed successfully.";
}

std::string Default(sim::SimPlatform&, BootStore& store, const std::vector<std::string>& args) {
  ExpectCount(args, 2, "{id}");
  std::string id = Identifier(args[0], args[1]);
  Existing(store, "/default", id);
  store.defaultEntry = id;
  return "The operation completed successfully.";
}

std::string Timeout(sim::SimPlatform& machine, BootStore& store, const std::vector<std::string>& args) {
  ExpectCount(args, 2, "SECONDS");
  BootObject& manager = Existing(store, "/timeout", "{bootmgr}");
  CheckElement(machine, "{bootmgr}", manager.type, "timeout", args[1]);
  manager.elements["timeout"] = args[1];
  return "The operation completed successfully.";
}

using Command = std::string (*)(sim::SimPlatform&, BootStore&, const std::vector<std::string>&);

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands{
      {"/create", Create}, {"/delete", Delete}, {"/set", Set}, {"/displayorder", DisplayOrder},
      {"/default", Default}, {"/timeout", Timeout}};
  return commands;
}

}  // namespace

bool IsEditCommand(const std::string& command) { return Commands().count(LowerAscii(command)) == 1; }

std::string ApplyEditCommand(sim::SimPlatform& machine, BootStore& store, const std::vector<std::string>& args) {
  std::vector<std::string> command = args;
  command[0] = LowerAscii(command[0]);
  return Commands().at(command[0])(machine, store, command);
}

}  // namespace fakes
