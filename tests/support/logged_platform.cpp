#include "support/logged_platform.h"

#include <mutex>

namespace testing_support {

// The subsystem logs from its worker threads while the test may read.
class LoggedPlatform::KeptLog : public platform::Console {
 public:
  bool Open(const std::wstring&) override { return true; }
  void WriteLine(const std::string& narrowText) override { Write(narrowText + "\n"); }
  void Write(const std::string& narrowText) override {
    std::lock_guard guard(lock_);
    text_ += narrowText;
  }
  std::string Text() const {
    std::lock_guard guard(lock_);
    return text_;
  }

 private:
  mutable std::mutex lock_;
  std::string text_;
};

LoggedPlatform::LoggedPlatform(platform::Platform& inner) : ForwardingPlatform(inner), log_(std::make_unique<KeptLog>()) {}

LoggedPlatform::~LoggedPlatform() = default;

std::string LoggedPlatform::Log() const { return log_->Text(); }

platform::Console& LoggedPlatform::console() { return *log_; }

}  // namespace testing_support
