#include "catalogue/json_object.h"

#include <memory>

std::optional<Json::Value> ParseJsonObject(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors) || !root.isObject()) {
      return std::nullopt;
    }
  } catch (const Json::Exception&) {  // the reader throws past its nesting limit
    return std::nullopt;
  }
  return root;
}
