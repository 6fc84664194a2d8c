#include "platform/sim/disk_layouts.h"

#include <json/json.h>

#include <algorithm>
#include <map>
#include <set>
#include <system_error>

#include "platform/codepage.h"
#include "platform/sim/attribute_store.h"
#include "platform/sim/drive_letters.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/state_files.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

constexpr const char* kDisksFile = "disks.json";

std::string LetterText(wchar_t letter) { return letter == 0 ? "" : std::string(1, static_cast<char>(letter)); }

Json::Value PartitionJson(const Partition& p) {
  Json::Value v;
  v["id"] = p.id;
  v["number"] = p.number;
  v["type"] = p.type;
  v["active"] = p.active;
  v["offsetBytes"] = Json::Int64(p.offsetBytes);
  v["sizeBytes"] = Json::Int64(p.sizeBytes);
  v["letter"] = LetterText(p.letter);
  v["label"] = platform::WideToUtf8(p.label);
  v["fileSystem"] = platform::WideToUtf8(p.fileSystem);
  v["freeBytes"] = Json::Int64(p.freeBytes);
  for (uint32_t disk : p.alsoOnDisks) v["alsoOnDisks"].append(disk);
  return v;
}

Json::Value LayoutJson(const Disk& disk) {
  Json::Value v;
  v["style"] = disk.style;
  v["letter"] = LetterText(disk.letter);
  v["partitions"] = Json::Value(Json::arrayValue);
  for (const Partition& p : disk.partitions) v["partitions"].append(PartitionJson(p));
  if (disk.bootArea) {
    Json::Value& area = v["bootArea"];
    area["formatted"] = disk.bootArea->formatted;
    area["archive"] = disk.bootArea->archive;
    area["files"] = Json::Value(Json::arrayValue);
    for (const BootAreaFile& f : disk.bootArea->files) {
      Json::Value file;
      file["name"] = f.name;
      file["source"] = f.source;
      file["sizeBytes"] = Json::Int64(f.sizeBytes);
      area["files"].append(file);
    }
  }
  return v;
}

[[noreturn]] void Fail(const std::string& file, const std::string& field, const std::string& problem) {
  throw MachineError(file + ": field '" + field + "' " + problem);
}

std::optional<BootArea> ParseBootArea(const Json::Value& v, const std::string& file, const std::string& where) {
  if (v.isNull()) return std::nullopt;
  if (!v.isObject() || !v["formatted"].isBool() || !v["archive"].isString() || !v["files"].isArray()) {
    Fail(file, where, "must be an object of formatted (true or false), archive (a path) and files (an array)");
  }
  BootArea area{v["formatted"].asBool(), v["archive"].asString(), {}};
  for (unsigned i = 0; i < v["files"].size(); ++i) {
    const Json::Value& f = v["files"][i];
    if (!f.isObject() || !f["name"].isString() || !f["source"].isString() || !f["sizeBytes"].isInt64()) {
      Fail(file, where + ".files[" + std::to_string(i) + "]", "must be an object of name, source and sizeBytes");
    }
    area.files.push_back({f["name"].asString(), f["source"].asString(), f["sizeBytes"].asInt64()});
  }
  return area;
}

// `disk` with the layout of its disks.json entry; throws MachineError naming the field.
Disk ParseLayout(Disk disk, const Json::Value& v, const std::string& file, const std::string& where) {
  if (!v.isObject()) Fail(file, where, "must be an object");
  const Json::Value& style = v["style"];
  if (!style.isString() || (style.asString() != "mbr" && style.asString() != "gpt" && style.asString() != "raw")) {
    Fail(file, where + ".style", "must be one of \"mbr\", \"gpt\", \"raw\"");
  }
  disk.style = style.asString();
  disk.letter = ParseDriveLetter(v["letter"].isNull() ? Json::Value("") : v["letter"], file, where + ".letter");
  disk.partitions = ParsePartitionList(v["partitions"], file, where + ".partitions");
  std::set<uint32_t> ids;
  for (unsigned i = 0; i < disk.partitions.size(); ++i) {
    const Json::Value& id = v["partitions"][i]["id"];
    const std::string field = where + ".partitions[" + std::to_string(i) + "].id";
    if (!id.isUInt() || id.asUInt() == 0) Fail(file, field, "must be a number from 1");
    disk.partitions[i].id = id.asUInt();
    if (!ids.insert(id.asUInt()).second) Fail(file, field, "repeats the id of another partition");
  }
  disk.bootArea = ParseBootArea(v["bootArea"], file, where + ".bootArea");
  return disk;
}

// The entry of disk `number` in a disks.json object, or null.
const Json::Value& EntryOf(const Json::Value& root, uint32_t number) {
  static const Json::Value none;
  const Json::Value& disks = root["disks"];
  if (!disks.isObject()) return none;
  const std::string key = std::to_string(number);
  const Json::Value* entry = disks.find(key.data(), key.data() + key.size());
  return entry == nullptr ? none : *entry;
}

const Disk* FindDisk(const MachineConfig& config, uint32_t number) {
  auto it = std::find_if(config.disks.begin(), config.disks.end(), [&](const Disk& d) { return d.number == number; });
  return it == config.disks.end() ? nullptr : &*it;
}

// The key of attributes.json for the root of a partition's folder ("e:").
std::string RootKey(const fs::path& folder) { return platform::WideToUtf8(*DriveFolderRoot(folder.filename().string())); }

void Refuse(const std::string& what, const std::error_code& ec) {
  if (ec) throw DiskLayoutError(what + ": " + ec.message());
}

// Gives each partition of `after` the files its id had in `before`: in two passes, parking
// the folders that move first, so that two partitions may trade folders.
void CarryFiles(const SimPlatform& machine, const Disk& before, const Disk& after) {
  std::map<uint32_t, const Partition*> kept;
  for (const Partition& p : after.partitions) kept[p.id] = &p;
  struct Move {
    fs::path parked, to;
  };
  std::vector<Move> moves;
  std::vector<AttributeRootMove> roots;
  std::vector<std::string> emptied;
  std::set<uint32_t> old;
  std::error_code ec;
  for (const Partition& p : before.partitions) {
    old.insert(p.id);
    const fs::path from = PartitionFolder(machine, before, p);
    auto it = kept.find(p.id);
    if (it == kept.end()) {
      fs::remove_all(from, ec);
      Refuse("cannot remove " + from.string(), ec);
      roots.push_back({RootKey(from), std::nullopt});
      continue;
    }
    const fs::path to = PartitionFolder(machine, after, *it->second);
    if (to == from) continue;
    const fs::path parked = from.parent_path() / (".moving-" + std::to_string(before.number) + "-" + std::to_string(p.id));
    fs::remove_all(parked, ec);
    if (fs::exists(from, ec)) fs::rename(from, parked, ec);
    Refuse("cannot move " + from.string(), ec);
    moves.push_back({parked, to});
    roots.push_back({RootKey(from), RootKey(to)});
    emptied.push_back(RootKey(to));
  }
  for (const Move& m : moves) {
    fs::remove_all(m.to, ec);  // what a partition gone long ago left there
    if (fs::exists(m.parked, ec)) fs::rename(m.parked, m.to, ec);
    Refuse("cannot move to " + m.to.string(), ec);
  }
  for (const Partition& p : after.partitions) {
    const fs::path folder = PartitionFolder(machine, after, p);
    if (old.count(p.id) == 0) {
      fs::remove_all(folder, ec);
      emptied.push_back(RootKey(folder));
    }
    if (old.count(p.id) == 0 || p.letter != 0) fs::create_directories(folder, ec);
    Refuse("cannot make " + folder.string(), ec);
  }
  if (!MoveAttributeRoots(machine, roots, emptied)) throw DiskLayoutError("cannot write the file attributes");
}

// A letter of the new layout that another disk's volume already has.
void CheckLetters(const MachineConfig& config, const Disk& after) {
  for (const Partition& p : after.partitions) {
    if (p.letter == 0) continue;
    for (const Disk& other : config.disks) {
      if (other.number == after.number) continue;
      for (const Partition& q : other.partitions) {
        if (q.letter == p.letter) throw DiskLayoutError(LetterText(p.letter) + ": is a volume of disk " + std::to_string(other.number));
      }
    }
  }
}

// The partitions the change added (id 0) get ids above those of the layout before, so that
// none is taken for a partition that went.
void GiveNewIds(const Disk& before, Disk& after) {
  uint32_t highest = 0;
  for (const Disk* d : {&before, static_cast<const Disk*>(&after)}) {
    for (const Partition& p : d->partitions) highest = std::max(highest, p.id);
  }
  for (Partition& p : after.partitions) {
    if (p.id == 0) p.id = ++highest;
  }
}

}  // namespace

MachineConfig WithDiskLayouts(MachineConfig config, const fs::path& file) {
  const Json::Value root = ReadStateObject(file);
  if (root.empty()) return config;
  for (Disk& disk : config.disks) {
    const Json::Value& entry = EntryOf(root, disk.number);
    if (entry.isNull()) continue;
    try {
      disk = ParseLayout(disk, entry, file.string(), "disks." + std::to_string(disk.number));
    } catch (const MachineError& e) {
      ReportStateProblem(std::string(e.what()) + "; the disk is left as machine.json has it");
    }
  }
  return config;
}

bool ChangeDiskLayout(const SimPlatform& machine, uint32_t number, const std::function<bool(Disk&)>& change) {
  const fs::path file = machine.StateFile(kDisksFile);
  auto lock = LockStateFile(file);
  if (!lock) throw DiskLayoutError("cannot lock the machine's state");
  const MachineConfig& now = machine.config();
  const Disk* present = FindDisk(now, number);
  const Disk* described = FindDisk(machine.description(), number);
  if (present == nullptr || described == nullptr) {
    throw DiskLayoutError("disk " + std::to_string(number) + " is not part of this machine");
  }
  Json::Value root = ReadStateObject(file);
  const Json::Value& entry = EntryOf(root, number);
  Disk before = *described;
  if (!entry.isNull()) {
    try {
      before = ParseLayout(*described, entry, file.string(), "disks." + std::to_string(number));
    } catch (const MachineError& e) {
      throw DiskLayoutError(e.what());
    }
  }
  Disk after = before;
  if (!change(after)) return false;
  GiveNewIds(before, after);
  CheckLetters(now, after);
  CarryFiles(machine, before, after);
  if (!root["disks"].isObject()) root["disks"] = Json::Value(Json::objectValue);
  root["disks"][std::to_string(number)] = LayoutJson(after);
  if (!WriteStateObject(file, root)) throw DiskLayoutError("cannot write " + file.string());
  machine.NoticeStateChange();
  return true;
}

void RenumberTable(Disk& disk) {
  for (size_t i = 0; i < disk.partitions.size(); ++i) {
    disk.partitions[i].number = static_cast<uint32_t>(i + 1);
    disk.partitions[i].letter = i == 0 ? disk.letter : 0;
  }
}

}  // namespace sim
