#pragma once
// Reading a statistics query back: its key and value pairs, and the view with the values
// decrypted that the reporter logs.

#include <string>
#include <utility>
#include <vector>

// The pieces of "k1=v1&k2=v2" split at "&" and at the first "=" of each; pieces without
// "=" are skipped. Values are taken as they stand: Base64 values are never URL-escaped.
std::vector<std::pair<std::string, std::string>> QueryPairs(const std::string& query);

// One "key=plain value" line per pair, values decrypted with the statistics key, joined
// by line feeds.
std::string DecryptedView(const std::string& query);
