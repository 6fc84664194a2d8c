#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "app/contains_no_case.h"
#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_order.h"
#include "catalogue/decimal_text.h"
#include "catalogue/json_object.h"

namespace {

// A member read as text: empty when missing, nothing when it is not a JSON string.
std::optional<std::string> TextMember(const Json::Value& object, const char* name) {
  const Json::Value* v = object.find(name, name + std::char_traits<char>::length(name));
  if (v == nullptr) return std::string();
  if (!v->isString()) return std::nullopt;
  return v->asString();
}

// The catalogue's strings are UTF-8; the program holds them as wide text by way of its
// local code page.
std::wstring FromUtf8(const std::string& text) { return LocalToWide(Utf8ToAnsi(text)); }

// "count" as a number of entries: anything but a non-negative whole number is 0.
int64_t EntryCount(const Json::Value& root) {
  const Json::Value* count = root.find("count", "count" + 5);
  if (count == nullptr || !count->isIntegral()) return 0;
  if (count->isInt64()) return std::max<int64_t>(count->asInt64(), 0);
  return INT64_MAX;  // larger than any entry number
}

// The entry numbers present below `count`, ascending: only members that exist cost
// anything, however large "count" is.
std::vector<std::pair<int64_t, const Json::Value*>> EntriesBelow(const Json::Value& root, int64_t count) {
  std::map<int64_t, const Json::Value*> found;
  for (auto it = root.begin(); it != root.end(); ++it) {
    std::string name = it.name();
    // The member names the parse asks for are plain decimal numbers: "0", "1", … "10".
    bool decimal = !name.empty() && name.size() <= 18 && name.find_first_not_of("0123456789") == std::string::npos &&
                   (name.size() == 1 || name[0] != '0');
    if (!decimal) continue;
    int64_t number = std::stoll(name);
    if (number < count) found[number] = &*it;
  }
  return {found.begin(), found.end()};
}

// One image from its entry object; nothing when the entry is not an object, a member
// has the wrong JSON type, or the UEFI filter leaves it out.
std::unique_ptr<OsEntry> ReadEntry(const Json::Value& entry, bool uefiFilter) {
  if (!entry.isObject()) return nullptr;
  auto name = TextMember(entry, "os_name");
  auto digit = TextMember(entry, "digit");
  auto fileName = TextMember(entry, "file_name");
  auto fileTime = TextMember(entry, "file_time");
  auto url = TextMember(entry, "url");
  auto md5 = TextMember(entry, "md5");
  auto size = TextMember(entry, "size");
  if (!name || !digit || !fileName || !fileTime || !url || !md5 || !size) return nullptr;

  auto image = std::make_unique<OsEntry>();
  image->name = FromUtf8(*name);
  image->bits = static_cast<int32_t>(static_cast<uint32_t>(ParseDecimalText(*digit)));
  if (uefiFilter && (ContainsNoCase(image->name, L"xp") || image->bits == 32)) return nullptr;
  image->fileName = FromUtf8(*fileName);
  image->fileTime = FromUtf8(*fileTime);
  image->url = FromUtf8(*url);
  image->md5 = *md5;
  image->size = ParseDecimalText(*size);
  return image;
}

// Element 0 of "pe_row", when there is one and it reads as a WinPE entry.
void ReadPeRow(const Json::Value& root, PeEntry& pe) {
  const Json::Value* rows = root.find("pe_row", "pe_row" + 6);
  if (rows == nullptr || !rows->isArray() || rows->empty() || !(*rows)[0].isObject()) return;
  const Json::Value& row = (*rows)[0];
  auto name = TextMember(row, "pe_name");
  auto url = TextMember(row, "pe_url");
  auto size = TextMember(row, "pe_size");
  if (!name || !url || !size) return;
  pe.fileName = FromUtf8(*name);
  pe.url = FromUtf8(*url);
  pe.size = ParseDecimalText(*size);
}

}  // namespace

CatalogueResult ParseCatalogue(const CatalogueMachine& machine, const std::string& text, const PeEntry& previousPe) {
  const bool uefiFilter = ContainsNoCase(machine.bootModeText, L"UEFI");
  CatalogueResult result;
  result.peEntry = previousPe;

  std::optional<Json::Value> root = ParseJsonObject(text.substr(0, text.find('\xFF')));
  if (!root) return result;

  for (const auto& [number, entry] : EntriesBelow(*root, EntryCount(*root))) {
    if (auto image = ReadEntry(*entry, uefiFilter)) result.osList.push_back(std::move(image));
  }
  OrderCatalogue(result.osList, machine.machineText, machine.osBits);
  ReadPeRow(*root, result.peEntry);
  return result;
}
