#include "base/json_read.h"

#include <json/reader.h>

#include <exception>
#include <memory>

namespace tarnvik {

namespace {
// Deep enough for every file the program reads, shallow enough that the recursive reader
// cannot exhaust a worker thread's stack.
constexpr int kMaxDepth = 256;
}  // namespace

bool ReadJsonText(std::string_view text, Json::Value& root, std::string& error, JsonStrictness strictness) {
  Json::CharReaderBuilder builder;
  if (strictness == JsonStrictness::Strict) Json::CharReaderBuilder::strictMode(&builder.settings_);
  builder.settings_["stackLimit"] = kMaxDepth;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  error.clear();
  try {
    if (reader->parse(text.data(), text.data() + text.size(), &root, &error)) return true;
  } catch (const std::exception& e) {
    error = e.what();
  }
  root = Json::Value();
  if (error.empty()) error = "not valid JSON";
  return false;
}

}  // namespace tarnvik
