#pragma once
// A platform for tests that only need the console: it records every log line and
// answers every other operation with "nothing there". Install it with
// platform::ScopedPlatform for the scope of a test.

#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace testing_support {

class RecordingConsolePlatform : public platform::Platform {
 public:
  RecordingConsolePlatform();
  ~RecordingConsolePlatform() override;

  // The lines written so far, oldest first.
  std::vector<std::string> Lines() const;

  platform::Files& files() override;
  platform::Profiles& profiles() override;
  platform::Storage& storage() override;
  platform::Registry& registry() override;
  platform::Network& network() override;
  platform::System& system() override;
  platform::Console& console() override;
  platform::Modules& modules() override;
  platform::MessageBoxes& messageBoxes() override;
  platform::Processes& processes() override;
  platform::Power& power() override;

 private:
  class RecordingConsole;
  class Empty;

  std::unique_ptr<RecordingConsole> console_;
  std::unique_ptr<Empty> empty_;
};

}  // namespace testing_support
