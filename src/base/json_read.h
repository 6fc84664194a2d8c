#pragma once

#include <json/value.h>

#include <string>
#include <string_view>

namespace tarnvik {

enum class JsonStrictness { Lenient, Strict };

// Reads text as one JSON document. Returns false, with the reason in `error`, when the
// text is not JSON; that includes documents nested past the reader's depth limit, which
// jsoncpp reports by throwing rather than by its result. Never throws.
bool ReadJsonText(std::string_view text, Json::Value& root, std::string& error,
                  JsonStrictness strictness = JsonStrictness::Lenient);

}  // namespace tarnvik
