#include "app/service_config.h"

#include <cstdlib>

std::string ServiceBase() {
  const char* override = std::getenv("TARNVIK_SERVICE_BASE");
  return override != nullptr && *override != '\0' ? override : TARNVIK_SERVICE_BASE_DEFAULT;
}
