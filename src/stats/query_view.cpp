#include "stats/query_view.h"

#include "app/payload_cipher.h"

std::vector<std::pair<std::string, std::string>> QueryPairs(const std::string& query) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string piece = query.substr(start, end - start);
    if (size_t equals = piece.find('='); equals != std::string::npos) {
      pairs.emplace_back(piece.substr(0, equals), piece.substr(equals + 1));
    }
    start = end + 1;
  }
  return pairs;
}

std::string DecryptedView(const std::string& query) {
  std::string view;
  for (const auto& [key, value] : QueryPairs(query)) {
    if (!view.empty()) view += '\n';
    view += key + "=" + DecryptString(value, kStatsKey);
  }
  return view;
}
