#include "download/task_list_file.h"

#include <json/json.h>

#include "app/text_helpers.h"
#include "base/json_read.h"

std::string WriteTaskList(const std::vector<ParkedEntry>& entries) {
  Json::Value root;  // null until the first entry
  for (const ParkedEntry& e : entries) {
    Json::Value item;
    item["sFileName"] = WideToLocal(e.fileName);
    item["sSavePath"] = WideToLocal(e.saveDir);
    item["sUrl"] = WideToLocal(e.url);
    item["fPer"] = e.fraction;
    root.append(item);
  }
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;  // the bytes are code page 936 text: copy them, never re-encode
  return Json::writeString(writer, root) + "\n";
}

std::vector<ParkedEntry> ReadTaskList(const std::string& text, std::string* error) {
  Json::Value root;
  std::string reason;
  if (!tarnvik::ReadJsonText(text, root, reason)) {
    if (error != nullptr) *error = reason;
    return {};
  }
  if (error != nullptr) error->clear();
  if (!root.isArray()) return {};
  std::vector<ParkedEntry> entries;
  for (const Json::Value& item : root) {
    auto member = [&](const char* key) {
      const Json::Value& v = item.isObject() ? item[key] : Json::Value::nullSingleton();
      return v.isString() ? LocalToWide(v.asString()) : std::wstring();
    };
    ParkedEntry e{member("sFileName"), member("sSavePath"), member("sUrl"), 0};
    if (item.isObject() && item["fPer"].isNumeric()) e.fraction = item["fPer"].asFloat();
    entries.push_back(std::move(e));
  }
  return entries;
}
