#pragma once
// A platform that passes every call on to another one (a whole temporary machine) and keeps
// what is logged, for tests that run a subsystem on the machine as it is and read its log.
// Install it with platform::ScopedPlatform inside the scope of the other one.

#include <memory>
#include <string>

#include "platform/forwarding_platform.h"

namespace testing_support {

class LoggedPlatform : public platform::ForwardingPlatform {
 public:
  explicit LoggedPlatform(platform::Platform& inner);
  ~LoggedPlatform() override;

  // Everything logged so far, as written: a line with its "\n", trace text as it is.
  std::string Log() const;

  platform::Console& console() override;

 private:
  class KeptLog;

  std::unique_ptr<KeptLog> log_;
};

}  // namespace testing_support
