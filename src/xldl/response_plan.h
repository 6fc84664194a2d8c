#pragma once
// What to do with the body of an answer, judged from the request and the answer's head.
// A resumed request appends only when the answer proves that it continues the very
// bytes already on disk; anything else starts the file anew or fails.

#include <cstdint>
#include <optional>
#include <string>

#include "xldl/partial_store.h"

namespace xldl {

struct ResponseHead {
  long status = 0;
  std::optional<std::string> contentRange;
  int64_t contentLength = -1;  // -1 when absent
  std::string etag;
  std::string lastModified;
};

enum class BodyAction {
  Append,         // the body continues the partial data at the requested offset
  StartOver,      // the body is the whole file: replace the partial data with it
  RetryFromZero,  // the body cannot be trusted: discard the partial data, ask again without a range
  Fail,           // an error answer: keep the partial data, end the transfer
};

struct BodyPlan {
  BodyAction action = BodyAction::Fail;
  int64_t totalSize = -1;  // the whole file's size, -1 when unknown
};

// `offset` is the start of the range asked for (0: no range); `stored` what the partial
// data belongs to.
BodyPlan PlanBody(int64_t offset, const PartialInfo& stored, const ResponseHead& head);

// A validator to resume against with If-Range, or empty when the partial data has none
// that can be trusted (a weak entity tag identifies no exact bytes).
std::string ResumeValidator(const PartialInfo& stored);

}  // namespace xldl
