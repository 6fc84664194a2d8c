#pragma once

#include <json/json.h>

#include <optional>
#include <string>

// The text parsed as one JSON object; nothing when it is not JSON, not an object, or
// nested too deeply to read.
std::optional<Json::Value> ParseJsonObject(const std::string& text);
