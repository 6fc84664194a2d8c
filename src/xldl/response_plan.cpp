#include "xldl/response_plan.h"

#include <cinttypes>
#include <cstdio>

namespace xldl {
namespace {

struct ContentRange {
  int64_t first = -1, last = -1, total = -1;  // total -1 for "*"
};

// "bytes FIRST-LAST/TOTAL" or "bytes FIRST-LAST/*".
std::optional<ContentRange> ParseContentRange(const std::string& text) {
  ContentRange r;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "bytes %" SCNd64 "-%" SCNd64 "/%n", &r.first, &r.last, &consumed) != 2 ||
      consumed == 0) {
    return std::nullopt;
  }
  std::string rest = text.substr(consumed);
  if (rest != "*") {
    int tail = 0;
    if (std::sscanf(rest.c_str(), "%" SCNd64 "%n", &r.total, &tail) != 1 || tail != static_cast<int>(rest.size())) {
      return std::nullopt;
    }
  }
  if (r.first < 0 || r.last < r.first) return std::nullopt;
  return r;
}

bool IsWeak(const std::string& etag) { return etag.rfind("W/", 0) == 0; }

}  // namespace

std::string ResumeValidator(const PartialInfo& stored) {
  if (!stored.etag.empty() && !IsWeak(stored.etag)) return stored.etag;
  return stored.lastModified;
}

BodyPlan PlanBody(int64_t offset, const PartialInfo& stored, const ResponseHead& head) {
  if (head.status == 200) return {BodyAction::StartOver, head.contentLength};
  if (offset == 0) return {};  // only a whole-file answer fits a request without a range
  if (head.status == 416) return {BodyAction::RetryFromZero};
  if (head.status != 206) return {};

  auto range = head.contentRange ? ParseContentRange(*head.contentRange) : std::nullopt;
  bool continues = range && range->first == offset && range->total >= 0 && range->last == range->total - 1 &&
                   (stored.totalSize < 0 || range->total == stored.totalSize) &&
                   (head.contentLength < 0 || head.contentLength == range->last - range->first + 1) &&
                   (head.etag.empty() || stored.etag.empty() || head.etag == stored.etag) &&
                   (!head.etag.empty() || head.lastModified.empty() || stored.lastModified.empty() ||
                    head.lastModified == stored.lastModified);
  if (!continues) return {BodyAction::RetryFromZero};
  return {BodyAction::Append, range->total};
}

}  // namespace xldl
