// tarnvikctl serve: the local service, in the foreground.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>

#include "arguments.h"
#include "command.h"
#include "services/local_service.h"

namespace {

using tarnvikctl::NumberOption;
using tarnvikctl::OptionValue;
using tarnvikctl::UsageError;

constexpr int64_t kLargest = std::numeric_limits<int64_t>::max();
// Larger rates would overflow the throttle's microsecond arithmetic and mean no limit anyway.
constexpr int64_t kFastestThrottle = int64_t{1} << 40;

services::ServiceOptions ReadOptions(const std::vector<std::string>& args) {
  services::ServiceOptions options;
  bool stallAtGiven = false, stallSecondsGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--root") {
      options.root = OptionValue(args, i);
    } else if (a == "--port") {
      options.port = static_cast<int>(NumberOption(a, OptionValue(args, i), 0, 65535));
    } else if (a == "--throttle") {
      options.throttleBytesPerSecond = NumberOption(a, OptionValue(args, i), 1, kFastestThrottle);
    } else if (a == "--stall-at") {
      options.stallAtOffset = NumberOption(a, OptionValue(args, i), 0, kLargest);
      stallAtGiven = true;
    } else if (a == "--stall-seconds") {
      options.stallSeconds = static_cast<int>(NumberOption(a, OptionValue(args, i), 1, 86400));
      stallSecondsGiven = true;
    } else if (a == "--truncate-at") {
      options.truncateAtOffset = NumberOption(a, OptionValue(args, i), 0, kLargest);
    } else if (a == "--ignore-ranges") {
      options.ignoreRanges = true;
    } else {
      tarnvikctl::UnknownOption(a);
    }
  }
  if (options.root.empty()) throw UsageError("--root DIR is required");
  if (stallAtGiven != stallSecondsGiven) throw UsageError("--stall-at and --stall-seconds go together");
  return options;
}

int Serve(const std::vector<std::string>& args) {
  const services::ServiceOptions options = ReadOptions(args);
  std::error_code ec;
  if (!std::filesystem::is_directory(options.root, ec)) {
    std::fprintf(stderr, "tarnvikctl serve: the root folder %s does not exist\n", options.root.string().c_str());
    return 1;
  }
  services::LocalService service(options);
  errno = 0;
  if (!service.Bind()) {
    const int error = errno;
    std::fprintf(stderr, "tarnvikctl serve: cannot listen on 127.0.0.1:%d: %s\n", options.port,
                 error != 0 ? std::strerror(error) : "the port cannot be had");
    return 1;
  }
  std::printf("serving %s on http://127.0.0.1:%d/\n", options.root.string().c_str(), service.port());
  std::fflush(stdout);
  service.Run();
  return 0;
}

const bool registered = tarnvikctl::RegisterCommand(
    {"serve",
     "serve --root DIR [--port N] [--throttle BYTES_PER_S] [--stall-at OFFSET --stall-seconds N]\n"
     "        [--truncate-at OFFSET] [--ignore-ranges]   the local service on 127.0.0.1; files under /files/",
     Serve});

}  // namespace
