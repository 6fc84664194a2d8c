#include "platform/sim/attribute_store.h"

#include <json/json.h>

#include <algorithm>
#include <system_error>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/sim/drive_letters.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/state_files.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

constexpr const char* kAttributesFile = "attributes.json";

// The bits SetFileAttributesW keeps.
constexpr uint32_t kKeptAttributes = platform::kFileAttributeReadOnly | platform::kFileAttributeHidden |
                                     platform::kFileAttributeSystem | platform::kFileAttributeArchive;

// Whether `key` is `prefix` or lies below it.
bool AtOrBelow(const std::string& key, const std::string& prefix) {
  return key.compare(0, prefix.size(), prefix) == 0 && (key.size() == prefix.size() || key[prefix.size()] == '\\');
}

}  // namespace

std::optional<std::string> AttributeStore::KeyOf(const fs::path& host) const {
  fs::path relative = host.lexically_normal().lexically_relative((machine_.folder() / "drives").lexically_normal());
  auto part = relative.begin();
  if (relative.empty() || part == relative.end()) return std::nullopt;
  auto root = DriveFolderRoot(part->string());
  if (!root) return std::nullopt;
  std::wstring key = *root;
  for (++part; part != relative.end(); ++part) {
    if (part->empty() || *part == ".") continue;
    key += L"\\" + FoldCase(platform::Utf8ToWide(part->string()));
  }
  return platform::WideToUtf8(key);
}

namespace {

// The bits kept for `key` in the store's object, when it has an entry.
std::optional<uint32_t> StoredBits(const Json::Value& root, const std::optional<std::string>& key) {
  if (!key) return std::nullopt;
  const Json::Value* value = root.find(key->data(), key->data() + key->size());
  if (value == nullptr || !value->isUInt()) return std::nullopt;
  return value->asUInt() & kKeptAttributes;
}

// GetFileAttributesW of what lies at the host path, given its stored bits.
uint32_t AttributesOf(const fs::path& host, std::optional<uint32_t> stored) {
  std::error_code ec;
  const auto status = fs::status(host, ec);
  if (!fs::exists(status)) return platform::kInvalidFileAttributes;
  if (fs::is_directory(status)) return platform::kFileAttributeDirectory | stored.value_or(0);
  if (!stored) return platform::kFileAttributeArchive;
  return *stored == 0 ? platform::kFileAttributeNormal : *stored;
}

}  // namespace

uint32_t AttributeStore::Get(const fs::path& host) const {
  std::error_code ec;
  if (!fs::exists(host, ec)) return platform::kInvalidFileAttributes;
  auto key = KeyOf(host);
  if (!key) return AttributesOf(host, std::nullopt);
  return AttributesOf(host, StoredBits(ReadStateObject(machine_.StateFile(kAttributesFile)), key));
}

AttributeStore::CopyAttributes AttributeStore::ReadForCopy(const fs::path& source, const fs::path& target) const {
  const Json::Value root = ReadStateObject(machine_.StateFile(kAttributesFile));
  // Most copies meet a store without entries: no key is worth making then.
  if (root.empty()) return {AttributesOf(source, std::nullopt), AttributesOf(target, std::nullopt), false};
  const std::optional<uint32_t> targetBits = StoredBits(root, KeyOf(target));
  return {AttributesOf(source, StoredBits(root, KeyOf(source))), AttributesOf(target, targetBits),
          targetBits.has_value()};
}

bool AttributeStore::FinishCopy(const fs::path& target, const CopyAttributes& read) const {
  if (read.source == platform::kFileAttributeArchive && !read.targetEntry) return true;
  return Set(target, read.source);
}

bool AttributeStore::Set(const fs::path& host, uint32_t attributes) const {
  auto key = KeyOf(host);
  if (!key) return false;
  const uint32_t kept = attributes & kKeptAttributes;
  return UpdateStateObject(machine_.StateFile(kAttributesFile), [&](Json::Value& root) {
    if (kept == platform::kFileAttributeArchive) {
      root.removeMember(*key);  // the attributes of a file without an entry
    } else {
      root[*key] = kept == 0 ? platform::kFileAttributeNormal : kept;
    }
    return true;
  });
}

bool AttributeStore::PrepareWrite(const fs::path& host) const {
  std::error_code ec;
  if (!fs::exists(host, ec)) {
    Drop(host);
    return true;
  }
  return !(Get(host) & platform::kFileAttributeReadOnly);
}

void AttributeStore::Drop(const fs::path& host) const {
  auto key = KeyOf(host);
  if (!key) return;
  UpdateStateObject(machine_.StateFile(kAttributesFile), [&](Json::Value& root) {
    bool changed = false;
    for (const std::string& name : root.getMemberNames()) {
      if (!AtOrBelow(name, *key)) continue;
      root.removeMember(name);
      changed = true;
    }
    return changed;
  });
}

void AttributeStore::Move(const fs::path& from, const fs::path& to) const {
  auto fromKey = KeyOf(from), toKey = KeyOf(to);
  if (!fromKey || !toKey) return;
  UpdateStateObject(machine_.StateFile(kAttributesFile), [&](Json::Value& root) {
    Json::Value moved(Json::objectValue);
    for (const std::string& name : root.getMemberNames()) {
      if (AtOrBelow(name, *toKey)) root.removeMember(name);  // what the target replaces
    }
    for (const std::string& name : root.getMemberNames()) {
      if (!AtOrBelow(name, *fromKey)) continue;
      moved[*toKey + name.substr(fromKey->size())] = root[name];
      root.removeMember(name);
    }
    for (const std::string& name : moved.getMemberNames()) root[name] = moved[name];
    return true;
  });
}

bool MoveAttributeRoots(const SimPlatform& machine, const std::vector<AttributeRootMove>& moves,
                        const std::vector<std::string>& emptied) {
  const fs::path file = machine.StateFile(kAttributesFile);
  const Json::Value before = ReadStateObject(file);
  Json::Value after(Json::objectValue);
  for (const std::string& name : before.getMemberNames()) {
    auto move = std::find_if(moves.begin(), moves.end(), [&](const auto& m) { return AtOrBelow(name, m.from); });
    if (move != moves.end()) {
      if (move->to) after[*move->to + name.substr(move->from.size())] = before[name];
    } else if (std::none_of(emptied.begin(), emptied.end(), [&](const auto& root) { return AtOrBelow(name, root); })) {
      after[name] = before[name];
    }
  }
  return after == before || WriteStateObject(file, after);
}

}  // namespace sim
