#pragma once
// A platform that passes every call on to another one (a whole temporary machine) and keeps
// what is logged, for tests that run a subsystem on the machine as it is and read its log.
// Install it with platform::ScopedPlatform inside the scope of the other one.

#include <memory>
#include <string>

#include "platform/platform.h"

namespace testing_support {

class LoggedPlatform : public platform::Platform {
 public:
  explicit LoggedPlatform(platform::Platform& inner);
  ~LoggedPlatform() override;

  // Everything logged so far, as written: a line with its "\n", trace text as it is.
  std::string Log() const;

  platform::Files& files() override { return inner_.files(); }
  platform::Profiles& profiles() override { return inner_.profiles(); }
  platform::Storage& storage() override { return inner_.storage(); }
  platform::Registry& registry() override { return inner_.registry(); }
  platform::Network& network() override { return inner_.network(); }
  platform::System& system() override { return inner_.system(); }
  platform::Console& console() override;
  platform::Modules& modules() override { return inner_.modules(); }
  platform::MessageBoxes& messageBoxes() override { return inner_.messageBoxes(); }
  platform::Processes& processes() override { return inner_.processes(); }
  platform::Power& power() override { return inner_.power(); }

 private:
  class KeptLog;

  platform::Platform& inner_;
  std::unique_ptr<KeptLog> log_;
};

}  // namespace testing_support
