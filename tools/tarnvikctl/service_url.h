#pragma once
// The services' base address that the program's requests are built on, as configured.

#include <string>

namespace tarnvikctl {

// Why the configured base address (TARNVIK_SERVICE_BASE or the compiled-in one) is not
// "http(s)://HOST[:PORT][/PATH]"; empty when it is.
std::string ServiceBaseProblem();

}  // namespace tarnvikctl
