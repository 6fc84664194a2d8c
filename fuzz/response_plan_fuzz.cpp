// The download library's plan for an answer's body, from any request and answer head.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "xldl/response_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  int64_t offset = input.ConsumeIntegral<int64_t>();
  xldl::PartialInfo stored;
  stored.totalSize = input.ConsumeIntegral<int64_t>();
  stored.etag = input.ConsumeRandomLengthString(64);
  stored.lastModified = input.ConsumeRandomLengthString(64);
  xldl::ResponseHead head;
  head.status = input.ConsumeIntegral<long>();
  head.contentLength = input.ConsumeIntegral<int64_t>();
  head.etag = input.ConsumeRandomLengthString(64);
  head.lastModified = input.ConsumeRandomLengthString(64);
  if (input.ConsumeBool()) head.contentRange = input.ConsumeRemainingBytesAsString();
  xldl::PlanBody(offset, stored, head);
  xldl::ResumeValidator(stored);
  return 0;
}
