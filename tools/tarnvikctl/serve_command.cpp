// tarnvikctl serve: the local service, in the foreground.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "command.h"
#include "services/local_service.h"

namespace {

int Serve(const std::vector<std::string>& args) {
  services::ServiceOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--root" && hasValue) {
      options.root = args[++i];
    } else if (a == "--port" && hasValue) {
      options.port = std::atoi(args[++i].c_str());
    } else if (a == "--throttle" && hasValue) {
      options.throttleBytesPerSecond = std::atoll(args[++i].c_str());
    } else if (a == "--stall-at" && hasValue) {
      options.stallAtOffset = std::atoll(args[++i].c_str());
    } else if (a == "--stall-seconds" && hasValue) {
      options.stallSeconds = std::atoi(args[++i].c_str());
    } else if (a == "--truncate-at" && hasValue) {
      options.truncateAtOffset = std::atoll(args[++i].c_str());
    } else if (a == "--ignore-ranges") {
      options.ignoreRanges = true;
    } else {
      std::fprintf(stderr, "tarnvikctl serve: unknown argument '%s'\n", a.c_str());
      return 2;
    }
  }
  if (options.root.empty()) {
    std::fputs("tarnvikctl serve: --root DIR is required\n", stderr);
    return 2;
  }
  services::LocalService service(options);
  if (!service.Bind()) {
    std::fprintf(stderr, "tarnvikctl serve: cannot listen on 127.0.0.1:%d\n", options.port);
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
