// Which answers a resumed download may append to its partial data.

#include <gtest/gtest.h>

#include "xldl/response_plan.h"

namespace {

using xldl::BodyAction;
using xldl::PartialInfo;
using xldl::PlanBody;
using xldl::ResponseHead;

TEST(ResponsePlan, AppendsOnlyWhatProvablyContinuesThePartialData) {
  const PartialInfo stored{"http://h/a.iso", "\"v1\"", "Mon, 01 Jan 2024 00:00:00 GMT", 1000};
  struct Case {
    const char* name;
    int64_t offset;
    ResponseHead head;
    BodyAction action;
    int64_t total;
  };
  const Case cases[] = {
      {"matching range", 400, {206, "bytes 400-999/1000", 600, "\"v1\"", ""}, BodyAction::Append, 1000},
      {"matching range, no validator echoed", 400, {206, "bytes 400-999/1000", -1, "", ""}, BodyAction::Append, 1000},
      {"range from another offset", 400, {206, "bytes 0-999/1000", 1000, "", ""}, BodyAction::RetryFromZero, -1},
      {"range not to the end", 400, {206, "bytes 400-499/1000", 100, "", ""}, BodyAction::RetryFromZero, -1},
      {"other total size", 400, {206, "bytes 400-1999/2000", 1600, "", ""}, BodyAction::RetryFromZero, -1},
      {"unknown total size", 400, {206, "bytes 400-999/*", 600, "", ""}, BodyAction::RetryFromZero, -1},
      {"length disagrees", 400, {206, "bytes 400-999/1000", 599, "", ""}, BodyAction::RetryFromZero, -1},
      {"other entity tag", 400, {206, "bytes 400-999/1000", 600, "\"v2\"", ""}, BodyAction::RetryFromZero, -1},
      {"other date", 400, {206, "bytes 400-999/1000", 600, "", "Tue, 02 Jan 2024 00:00:00 GMT"},
       BodyAction::RetryFromZero, -1},
      {"no content range", 400, {206, std::nullopt, 600, "", ""}, BodyAction::RetryFromZero, -1},
      {"garbled content range", 400, {206, "bytes 400-999/1000x", 600, "", ""}, BodyAction::RetryFromZero, -1},
      {"whole file instead of a range", 400, {200, std::nullopt, 2000, "\"v2\"", ""}, BodyAction::StartOver, 2000},
      {"range not satisfiable", 400, {416, "bytes */1000", -1, "", ""}, BodyAction::RetryFromZero, -1},
      {"error answer", 400, {404, std::nullopt, 10, "", ""}, BodyAction::Fail, -1},
      {"first request", 0, {200, std::nullopt, 1000, "", ""}, BodyAction::StartOver, 1000},
      {"first request without length", 0, {200, std::nullopt, -1, "", ""}, BodyAction::StartOver, -1},
      {"partial answer to a request without range", 0, {206, "bytes 0-9/1000", 10, "", ""}, BodyAction::Fail, -1},
  };
  for (const Case& c : cases) {
    auto plan = PlanBody(c.offset, stored, c.head);
    EXPECT_EQ(plan.action, c.action) << c.name;
    if (c.action == BodyAction::Append || c.action == BodyAction::StartOver) {
      EXPECT_EQ(plan.totalSize, c.total) << c.name;
    }
  }
}

TEST(ResponsePlan, ResumesAgainstAStrongEntityTagOrElseTheDate) {
  EXPECT_EQ(xldl::ResumeValidator({"u", "\"v1\"", "date", 1}), "\"v1\"");
  EXPECT_EQ(xldl::ResumeValidator({"u", "W/\"v1\"", "date", 1}), "date");
  EXPECT_EQ(xldl::ResumeValidator({"u", "", "", 1}), "");
}

}  // namespace
