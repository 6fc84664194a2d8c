#include "catalogue/json_object.h"

#include "base/json_read.h"

std::optional<Json::Value> ParseJsonObject(const std::string& text) {
  Json::Value root;
  std::string error;
  if (!tarnvik::ReadJsonText(text, root, error) || !root.isObject()) return std::nullopt;
  return root;
}
