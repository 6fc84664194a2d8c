#include "platform/sim/machine_config.h"

#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "base/json_read.h"
#include "platform/codepage.h"

namespace sim {
namespace {

// Reads one JSON object strictly, naming the field in every complaint.
class Reader {
 public:
  Reader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void Fail(const std::string& field, const std::string& problem) const {
    throw MachineError(file_ + ": field '" + field + "' " + problem);
  }

  const Json::Value& Require(const Json::Value& object, const std::string& where,
                             const char* key) const {
    const Json::Value* v = object.find(key, key + std::char_traits<char>::length(key));
    if (v == nullptr) Fail(Join(where, key), "is missing");
    return *v;
  }

  const Json::Value* Optional(const Json::Value& object, const char* key) const {
    return object.find(key, key + std::char_traits<char>::length(key));
  }

  std::string String(const Json::Value& v, const std::string& field) const {
    if (!v.isString()) Fail(field, "must be a string");
    return v.asString();
  }

  std::wstring WideString(const Json::Value& v, const std::string& field) const {
    return platform::Utf8ToWide(String(v, field));
  }

  int64_t Int(const Json::Value& v, const std::string& field) const {
    if (!v.isInt64()) Fail(field, "must be a whole number");
    return v.asInt64();
  }

  int64_t NonNegative(const Json::Value& v, const std::string& field) const {
    int64_t n = Int(v, field);
    if (n < 0) Fail(field, "must not be negative");
    return n;
  }

  uint32_t Uint32(const Json::Value& v, const std::string& field) const {
    int64_t n = Int(v, field);
    if (n < 0 || n > UINT32_MAX) Fail(field, "must be a number from 0 to 4294967295");
    return static_cast<uint32_t>(n);
  }

  bool Bool(const Json::Value& v, const std::string& field) const {
    if (!v.isBool()) Fail(field, "must be true or false");
    return v.asBool();
  }

  void Object(const Json::Value& v, const std::string& field) const {
    if (!v.isObject()) Fail(field, "must be an object");
  }

  void Array(const Json::Value& v, const std::string& field) const {
    if (!v.isArray()) Fail(field, "must be an array");
  }

  // One of a fixed set of words.
  std::string Choice(const Json::Value& v, const std::string& field,
                     std::initializer_list<const char*> allowed) const {
    std::string s = String(v, field);
    for (const char* a : allowed) {
      if (s == a) return s;
    }
    std::string list;
    for (const char* a : allowed) list += std::string(list.empty() ? "" : ", ") + "\"" + a + "\"";
    Fail(field, "must be one of " + list);
  }

  static std::string Join(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
  }
  static std::string Index(const std::string& where, unsigned i) {
    return where + "[" + std::to_string(i) + "]";
  }

 private:
  std::string file_;
};

std::vector<uint8_t> ParseMac(const Reader& r, const Json::Value& v, const std::string& field) {
  std::string text = r.String(v, field);
  std::vector<uint8_t> bytes;
  if (text.empty()) return bytes;
  std::istringstream in(text);
  std::string pair;
  while (std::getline(in, pair, '-')) {
    if (pair.size() != 2 || !std::isxdigit(static_cast<unsigned char>(pair[0])) ||
        !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
      r.Fail(field, "must be hexadecimal byte pairs joined by \"-\", such as \"00-1A-2B-3C-4D-5E\"");
    }
    bytes.push_back(static_cast<uint8_t>(std::stoi(pair, nullptr, 16)));
  }
  if (bytes.size() > 8) r.Fail(field, "must hold at most 8 bytes");
  return bytes;
}

platform::FileVersion ParseVersion(const Reader& r, const Json::Value& v, const std::string& field) {
  std::string text = r.String(v, field);
  unsigned parts[4];
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4 ||
      std::any_of(parts, parts + 4, [](unsigned p) { return p > 0xFFFF; })) {
    r.Fail(field, "must be four numbers from 0 to 65535 joined by \".\", such as \"1.1.0.19\"");
  }
  return {static_cast<uint16_t>(parts[0]), static_cast<uint16_t>(parts[1]),
          static_cast<uint16_t>(parts[2]), static_cast<uint16_t>(parts[3])};
}

uint32_t ParseBus(const Reader& r, const Json::Value& v, const std::string& field) {
  static const std::map<std::string, uint32_t> names = {
      {"scsi", platform::kBusScsi}, {"atapi", platform::kBusAtapi}, {"ata", platform::kBusAta},
      {"usb", platform::kBusUsb},   {"raid", platform::kBusRaid},   {"sas", platform::kBusSas},
      {"sata", platform::kBusSata}, {"sd", platform::kBusSd},       {"mmc", platform::kBusMmc},
      {"virtual", platform::kBusVirtual}, {"nvme", platform::kBusNvme}};
  if (v.isIntegral()) return r.Uint32(v, field);
  auto it = names.find(r.String(v, field));
  if (it == names.end()) {
    r.Fail(field, "must be a bus number or one of scsi, atapi, ata, usb, raid, sas, sata, sd, mmc, virtual, nvme");
  }
  return it->second;
}

wchar_t ParseLetter(const Reader& r, const Json::Value& v, const std::string& field) {
  std::string s = r.String(v, field);
  if (s.empty()) return 0;
  if (s.size() != 1 || !std::isalpha(static_cast<unsigned char>(s[0]))) {
    r.Fail(field, "must be one drive letter, such as \"C\", or \"\"");
  }
  return static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(s[0])));
}

Partition ParsePartition(const Reader& r, const Json::Value& v, const std::string& where,
                         int64_t defaultOffset) {
  r.Object(v, where);
  Partition p;
  p.number = r.Uint32(r.Require(v, where, "number"), Reader::Join(where, "number"));
  p.sizeBytes = r.NonNegative(r.Require(v, where, "sizeBytes"), Reader::Join(where, "sizeBytes"));
  p.offsetBytes = defaultOffset;
  if (auto* o = r.Optional(v, "offsetBytes")) p.offsetBytes = r.NonNegative(*o, Reader::Join(where, "offsetBytes"));
  // The end of a partition places the next one; it must stay a byte offset.
  if (p.sizeBytes > INT64_MAX - p.offsetBytes) {
    r.Fail(Reader::Join(where, "sizeBytes"), "added to the offset " + std::to_string(p.offsetBytes) +
                                                 " passes the largest byte offset, 9223372036854775807");
  }
  p.type = "basic";
  if (auto* o = r.Optional(v, "type")) {
    p.type = r.Choice(*o, Reader::Join(where, "type"), {"basic", "efi", "msr", "recovery", "hidden"});
  }
  if (auto* o = r.Optional(v, "active")) p.active = r.Bool(*o, Reader::Join(where, "active"));
  if (auto* o = r.Optional(v, "letter")) p.letter = ParseLetter(r, *o, Reader::Join(where, "letter"));
  if (auto* o = r.Optional(v, "label")) p.label = r.WideString(*o, Reader::Join(where, "label"));
  if (auto* o = r.Optional(v, "fileSystem")) p.fileSystem = r.WideString(*o, Reader::Join(where, "fileSystem"));
  if (auto* o = r.Optional(v, "freeBytes")) p.freeBytes = r.NonNegative(*o, Reader::Join(where, "freeBytes"));
  if (auto* o = r.Optional(v, "alsoOnDisks")) {
    std::string field = Reader::Join(where, "alsoOnDisks");
    r.Array(*o, field);
    for (unsigned i = 0; i < o->size(); ++i) p.alsoOnDisks.push_back(r.Uint32((*o)[i], Reader::Index(field, i)));
  }
  return p;
}

std::vector<Partition> ParsePartitions(const Reader& r, const Json::Value& list, const std::string& field) {
  r.Array(list, field);
  std::vector<Partition> partitions;
  int64_t offset = 1024 * 1024;  // partitions follow each other from 1 MiB unless placed
  for (unsigned i = 0; i < list.size(); ++i) {
    Partition p = ParsePartition(r, list[i], Reader::Index(field, i), offset);
    p.id = i + 1;
    offset = p.offsetBytes + p.sizeBytes;
    partitions.push_back(std::move(p));
  }
  return partitions;
}

Disk ParseDisk(const Reader& r, const Json::Value& v, const std::string& where) {
  r.Object(v, where);
  Disk d;
  d.number = r.Uint32(r.Require(v, where, "number"), Reader::Join(where, "number"));
  d.busType = ParseBus(r, r.Require(v, where, "bus"), Reader::Join(where, "bus"));
  d.sizeBytes = r.NonNegative(r.Require(v, where, "sizeBytes"), Reader::Join(where, "sizeBytes"));
  d.style = r.Choice(r.Require(v, where, "style"), Reader::Join(where, "style"), {"mbr", "gpt", "raw"});
  if (auto* o = r.Optional(v, "removableMedia")) d.removableMedia = r.Bool(*o, Reader::Join(where, "removableMedia"));
  if (auto* o = r.Optional(v, "friendlyName")) d.friendlyName = r.String(*o, Reader::Join(where, "friendlyName"));
  if (auto* o = r.Optional(v, "noMedia")) d.noMedia = r.Bool(*o, Reader::Join(where, "noMedia"));
  if (auto* o = r.Optional(v, "partitions")) d.partitions = ParsePartitions(r, *o, Reader::Join(where, "partitions"));
  for (const Partition& p : d.partitions) {
    if (p.letter != 0) {
      d.letter = p.letter;
      break;
    }
  }
  return d;
}

Adapter ParseAdapter(const Reader& r, const Json::Value& v, const std::string& where) {
  r.Object(v, where);
  Adapter a;
  a.name = r.String(r.Require(v, where, "name"), Reader::Join(where, "name"));
  a.address = ParseMac(r, r.Require(v, where, "mac"), Reader::Join(where, "mac"));
  if (auto* o = r.Optional(v, "description")) a.description = r.WideString(*o, Reader::Join(where, "description"));
  if (auto* o = r.Optional(v, "ifType")) a.ifType = r.Uint32(*o, Reader::Join(where, "ifType"));
  a.ipAddress = "0.0.0.0";
  if (auto* o = r.Optional(v, "ipAddress")) a.ipAddress = r.String(*o, Reader::Join(where, "ipAddress"));
  if (auto* o = r.Optional(v, "inAddresses")) a.inAddresses = r.Bool(*o, Reader::Join(where, "inAddresses"));
  if (auto* o = r.Optional(v, "inInfo")) a.inInfo = r.Bool(*o, Reader::Join(where, "inInfo"));
  return a;
}

// "HKEY_LOCAL_MACHINE\\..." and "HKLM\\..." name the same key.
std::wstring NormalizeKeyPath(const Reader& r, const std::string& path, const std::string& field) {
  static const std::pair<const char*, const char*> roots[] = {
      {"HKEY_LOCAL_MACHINE\\", "HKLM\\"}, {"HKLM\\", "HKLM\\"},
      {"HKEY_CURRENT_USER\\", "HKCU\\"},  {"HKCU\\", "HKCU\\"}};
  for (const auto& [longName, shortName] : roots) {
    size_t n = std::char_traits<char>::length(longName);
    if (FoldCase(path.substr(0, n)) == FoldCase(std::string_view(longName))) {
      return FoldCase(platform::Utf8ToWide(shortName + path.substr(n)));
    }
  }
  r.Fail(field, "must start with HKLM\\ or HKCU\\ (or HKEY_LOCAL_MACHINE\\, HKEY_CURRENT_USER\\)");
}

void ParseRegistry(const Reader& r, const Json::Value& v, MachineConfig& m) {
  r.Object(v, "registry");
  for (const std::string& key : v.getMemberNames()) {
    std::string field = "registry." + key;
    std::wstring path = NormalizeKeyPath(r, key, field);
    const Json::Value& values = v[key];
    r.Object(values, field);
    auto& target = m.registry[path];
    for (const std::string& name : values.getMemberNames()) {
      const Json::Value& value = values[name];
      std::string valueField = field + "." + name;
      if (value.isString()) {
        target[FoldCase(name)] = value.asString();
      } else {
        target[FoldCase(name)] = r.Uint32(value, valueField);
      }
    }
  }
}

// A fault's list of disk numbers, when the faults name it.
void ParseDiskNumbers(const Reader& r, const Json::Value& faults, const char* name, std::set<uint32_t>& target) {
  const Json::Value* list = r.Optional(faults, name);
  if (list == nullptr) return;
  const std::string field = std::string("faults.") + name;
  r.Array(*list, field);
  for (unsigned i = 0; i < list->size(); ++i) {
    if (!(*list)[i].isUInt()) r.Fail(Reader::Index(field, i), "must be a disk number");
    target.insert((*list)[i].asUInt());
  }
}

void ParseFaults(const Reader& r, const Json::Value& v, MachineConfig& m) {
  r.Object(v, "faults");
  if (auto* o = r.Optional(v, "adapterAddresses")) {
    m.faults.adapterAddresses = r.Choice(*o, "faults.adapterAddresses", {"overflow", "error"});
  }
  if (auto* o = r.Optional(v, "adaptersInfo")) {
    m.faults.adaptersInfo = r.Choice(*o, "faults.adaptersInfo", {"probe", "allocate", "error"});
  }
  if (auto* o = r.Optional(v, "registryKeyInfo")) {
    r.Array(*o, "faults.registryKeyInfo");
    for (unsigned i = 0; i < o->size(); ++i) {
      std::string field = Reader::Index("faults.registryKeyInfo", i);
      m.faults.registryKeyInfo.insert(NormalizeKeyPath(r, r.String((*o)[i], field), field));
    }
  }
  if (auto* o = r.Optional(v, "devices")) {
    r.Array(*o, "faults.devices");
    for (unsigned i = 0; i < o->size(); ++i) {
      m.faults.devices.insert(FoldCase(r.WideString((*o)[i], Reader::Index("faults.devices", i))));
    }
  }
  if (auto* o = r.Optional(v, "version")) m.faults.version = r.Bool(*o, "faults.version");
  if (auto* o = r.Optional(v, "processToken")) m.faults.processToken = r.Bool(*o, "faults.processToken");
  if (auto* o = r.Optional(v, "restart")) m.faults.restart = r.Bool(*o, "faults.restart");
  for (const char* name : {"unreadableFiles", "unwritableFiles"}) {
    auto* o = r.Optional(v, name);
    if (o == nullptr) continue;
    std::string field = std::string("faults.") + name;
    r.Array(*o, field);
    auto& target = std::string(name) == "unreadableFiles" ? m.faults.unreadableFiles : m.faults.unwritableFiles;
    for (unsigned i = 0; i < o->size(); ++i) target.push_back(r.WideString((*o)[i], Reader::Index(field, i)));
  }
  if (auto* o = r.Optional(v, "isoWriterUnlistedLetters")) {
    r.Array(*o, "faults.isoWriterUnlistedLetters");
    for (unsigned i = 0; i < o->size(); ++i) {
      const std::string field = Reader::Index("faults.isoWriterUnlistedLetters", i);
      const std::wstring letter = r.WideString((*o)[i], field);
      if (letter.size() != 1 || !std::iswalpha(static_cast<wint_t>(letter[0]))) r.Fail(field, "must be one letter");
      m.faults.isoWriterUnlistedLetters.insert(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(letter[0]))));
    }
  }
  ParseDiskNumbers(r, v, "booticeUnlistedDisks", m.faults.booticeUnlistedDisks);
  if (auto* o = r.Optional(v, "booticeNoEditor")) m.faults.booticeNoEditor = r.Bool(*o, "faults.booticeNoEditor");
  ParseDiskNumbers(r, v, "gdiskLockedDisks", m.faults.gdiskLockedDisks);
  if (auto* o = r.Optional(v, "controls")) {
    r.Object(*o, "faults.controls");
    for (const std::string& control : o->getMemberNames()) {
      std::string field = "faults.controls." + control;
      if (control != "deviceNumber" && control != "partitionInfo" && control != "driveGeometry") {
        r.Fail(field, "is not a control: use deviceNumber, partitionInfo or driveGeometry");
      }
      const Json::Value& paths = (*o)[control];
      r.Array(paths, field);
      auto& target = m.faults.controls[control];
      for (unsigned i = 0; i < paths.size(); ++i) {
        target.insert(FoldCase(r.WideString(paths[i], Reader::Index(field, i))));
      }
    }
  }
}

// The user's special folders by name: "desktop", "documents", "favorites".
void ParseSpecialFolders(const Reader& r, const Json::Value& v, MachineConfig& m) {
  static const std::map<std::string, int> csidls = {
      {"desktop", platform::kCsidlDesktop}, {"documents", platform::kCsidlPersonal},
      {"favorites", platform::kCsidlFavorites}};
  r.Object(v, "specialFolders");
  for (const std::string& name : v.getMemberNames()) {
    std::string field = "specialFolders." + name;
    auto it = csidls.find(name);
    if (it == csidls.end()) r.Fail(field, "is not a special folder: use desktop, documents or favorites");
    m.specialFolders[it->second] = r.WideString(v[name], field);
  }
}

// "6.1.7601": major, minor and build of GetVersionExW.
platform::OsVersion ParseOsVersion(const Reader& r, const Json::Value& v) {
  std::string text = r.String(v, "windows.version");
  unsigned long parts[3];
  char tail;
  if (text.find_first_not_of("0123456789.") != std::string::npos ||
      std::sscanf(text.c_str(), "%lu.%lu.%lu%c", &parts[0], &parts[1], &parts[2], &tail) != 3 ||
      std::any_of(parts, parts + 3, [](unsigned long p) { return p > UINT32_MAX; })) {
    r.Fail("windows.version", "must be major, minor and build joined by \".\", such as \"6.1.7601\"");
  }
  return {static_cast<uint32_t>(parts[0]), static_cast<uint32_t>(parts[1]), static_cast<uint32_t>(parts[2])};
}

std::optional<bool> ParseWow64(const Reader& r, const Json::Value& v) {
  if (v.isString() && v.asString() == "unavailable") return std::nullopt;
  if (!v.isBool()) r.Fail("windows.wow64", "must be true, false or \"unavailable\"");
  return v.asBool();
}

platform::MemoryQueryStep ParseMemoryStep(const Reader& r, const Json::Value& v, const std::string& field) {
  static const std::map<std::string, platform::MemoryQueryStep> steps = {
      {"initializeCom", platform::MemoryQueryStep::InitializeCom},
      {"initializeSecurity", platform::MemoryQueryStep::InitializeSecurity},
      {"createLocator", platform::MemoryQueryStep::CreateLocator},
      {"connectServer", platform::MemoryQueryStep::ConnectServer},
      {"setProxyBlanket", platform::MemoryQueryStep::SetProxyBlanket},
      {"execQuery", platform::MemoryQueryStep::ExecQuery}};
  std::string step = r.Choice(v, field, {"initializeCom", "initializeSecurity", "createLocator", "connectServer",
                                         "setProxyBlanket", "execQuery"});
  return steps.at(step);
}

Memory ParseMemory(const Reader& r, const Json::Value& v) {
  r.Object(v, "memory");
  Memory memory;
  if (auto* o = r.Optional(v, "modules")) {
    r.Array(*o, "memory.modules");
    for (unsigned i = 0; i < o->size(); ++i) {
      std::string where = Reader::Index("memory.modules", i);
      const Json::Value& module = (*o)[i];
      r.Object(module, where);
      MemoryModule m;
      if (auto* t = r.Optional(module, "hasText")) m.hasText = r.Bool(*t, Reader::Join(where, "hasText"));
      if (m.hasText) {
        m.capacityBytes = r.NonNegative(r.Require(module, where, "capacityBytes"), Reader::Join(where, "capacityBytes"));
      }
      if (auto* t = r.Optional(module, "bankLabel")) m.bankLabel = r.String(*t, Reader::Join(where, "bankLabel"));
      memory.modules.push_back(m);
    }
  }
  if (auto* o = r.Optional(v, "failAt")) memory.failAt = ParseMemoryStep(r, *o, "memory.failAt");
  if (auto* o = r.Optional(v, "errorCode")) memory.errorCode = r.Uint32(*o, "memory.errorCode");
  return memory;
}

Json::Value ReadJson(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw MachineError(file.string() + ": cannot be read (no such file?)");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Json::Value root;
  std::string errors;
  if (!tarnvik::ReadJsonText(text, root, errors, tarnvik::JsonStrictness::Strict)) {
    throw MachineError(file.string() + ": not valid JSON: " + errors);
  }
  if (!root.isObject()) throw MachineError(file.string() + ": must hold one JSON object");
  return root;
}

}  // namespace

std::optional<uint32_t> ParseDecimal(std::wstring_view digits) {
  if (digits.empty() || digits.size() > 9 || digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(std::stoul(std::wstring(digits)));
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (auto& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<Partition> ParsePartitionList(const Json::Value& list, const std::string& file, const std::string& field) {
  return ParsePartitions(Reader(file), list, field);
}

wchar_t ParseDriveLetter(const Json::Value& value, const std::string& file, const std::string& field) {
  return ParseLetter(Reader(file), value, field);
}

MachineConfig LoadMachineConfig(const std::filesystem::path& machineJson) {
  Json::Value root = ReadJson(machineJson);
  Reader r(machineJson.string());
  MachineConfig m;

  const Json::Value& windows = r.Require(root, "", "windows");
  r.Object(windows, "windows");
  m.systemDirectory = r.WideString(r.Require(windows, "windows", "systemDirectory"), "windows.systemDirectory");
  if (auto* o = r.Optional(windows, "wow64")) m.wow64 = ParseWow64(r, *o);
  if (auto* o = r.Optional(windows, "version")) m.version = ParseOsVersion(r, *o);
  if (auto* o = r.Optional(root, "memory")) m.memory = ParseMemory(r, *o);

  const Json::Value& program = r.Require(root, "", "program");
  r.Object(program, "program");
  m.programPath = r.WideString(r.Require(program, "program", "path"), "program.path");
  if (m.programPath.size() < 4 || m.programPath[1] != L':' || m.programPath[2] != L'\\') {
    r.Fail("program.path", "must be a full Windows path, such as \"D:\\\\Tarnvik\\\\Tarnvik.exe\"");
  }

  if (auto* o = r.Optional(root, "fileVersions")) {
    r.Object(*o, "fileVersions");
    for (const std::string& path : o->getMemberNames()) {
      m.fileVersions[FoldCase(platform::Utf8ToWide(path))] = ParseVersion(r, (*o)[path], "fileVersions." + path);
    }
  }

  if (auto* o = r.Optional(root, "clock")) {
    r.Object(*o, "clock");
    m.fixedTime = r.Int(r.Require(*o, "clock", "now"), "clock.now");
  }

  const Json::Value& network = r.Require(root, "", "network");
  r.Object(network, "network");
  m.networkUp = r.Bool(r.Require(network, "network", "up"), "network.up");
  const Json::Value& adapters = r.Require(network, "network", "adapters");
  r.Array(adapters, "network.adapters");
  for (unsigned i = 0; i < adapters.size(); ++i) {
    m.adapters.push_back(ParseAdapter(r, adapters[i], Reader::Index("network.adapters", i)));
  }

  if (auto* o = r.Optional(root, "registry")) ParseRegistry(r, *o, m);

  const Json::Value& disks = r.Require(root, "", "disks");
  r.Array(disks, "disks");
  std::set<uint32_t> numbers;
  for (unsigned i = 0; i < disks.size(); ++i) {
    m.disks.push_back(ParseDisk(r, disks[i], Reader::Index("disks", i)));
    if (!numbers.insert(m.disks.back().number).second) {
      r.Fail(Reader::Index("disks", i) + ".number", "repeats the number of another disk");
    }
  }

  std::set<wchar_t> letters;
  for (unsigned i = 0; i < m.disks.size(); ++i) {
    for (unsigned j = 0; j < m.disks[i].partitions.size(); ++j) {
      wchar_t letter = m.disks[i].partitions[j].letter;
      if (letter != 0 && !letters.insert(letter).second) {
        r.Fail(Reader::Index(Reader::Index("disks", i) + ".partitions", j) + ".letter", "repeats the letter of another volume");
      }
    }
  }

  if (auto* o = r.Optional(root, "specialFolders")) ParseSpecialFolders(r, *o, m);
  if (auto* o = r.Optional(root, "faults")) ParseFaults(r, *o, m);
  return m;
}

}  // namespace sim
