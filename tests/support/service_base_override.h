#pragma once
// Points the program's service base address at a local server for the life of the object,
// then gives back whatever address was set before (or none).

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

inline std::string LoopbackBase(int port) { return "http://127.0.0.1:" + std::to_string(port); }

class ServiceBaseOverride {
 public:
  explicit ServiceBaseOverride(const std::string& base) {
    if (const char* before = std::getenv(kName)) previous_ = before;
    setenv(kName, base.c_str(), 1);
  }
  explicit ServiceBaseOverride(int port) : ServiceBaseOverride(LoopbackBase(port)) {}
  ~ServiceBaseOverride() {
    if (previous_) {
      setenv(kName, previous_->c_str(), 1);
    } else {
      unsetenv(kName);
    }
  }
  ServiceBaseOverride(const ServiceBaseOverride&) = delete;
  ServiceBaseOverride& operator=(const ServiceBaseOverride&) = delete;

 private:
  static constexpr const char* kName = "TARNVIK_SERVICE_BASE";
  std::optional<std::string> previous_;
};

}  // namespace testing_support
