#pragma once
// Points the program's service base address at a local server for the life of the object.

#include <cstdlib>
#include <string>

namespace testing_support {

inline std::string LoopbackBase(int port) { return "http://127.0.0.1:" + std::to_string(port); }

class ServiceBaseOverride {
 public:
  explicit ServiceBaseOverride(const std::string& base) { setenv("TARNVIK_SERVICE_BASE", base.c_str(), 1); }
  explicit ServiceBaseOverride(int port) : ServiceBaseOverride(LoopbackBase(port)) {}
  ~ServiceBaseOverride() { unsetenv("TARNVIK_SERVICE_BASE"); }
  ServiceBaseOverride(const ServiceBaseOverride&) = delete;
  ServiceBaseOverride& operator=(const ServiceBaseOverride&) = delete;
};

}  // namespace testing_support
