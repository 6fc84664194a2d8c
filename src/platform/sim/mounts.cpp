#include "platform/sim/mounts.h"

#include <json/json.h>

#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/state_files.h"

namespace sim {

std::map<wchar_t, Mount> ReadMounts(const SimPlatform& machine) {
  const auto file = machine.StateFile(kMountsFile);
  std::map<wchar_t, Mount> mounts;
  const Json::Value root = ReadStateObject(file);
  for (const std::string& name : root.getMemberNames()) {
    const Json::Value& drive = root[name];
    std::string problem;
    if (name.size() != 1 || !std::isalpha(static_cast<unsigned char>(name[0]))) {
      problem = "must be one drive letter";
    } else if (!drive.isObject() || drive["type"] != "cdrom") {
      problem = "must be an object with \"type\": \"cdrom\"";
    } else if (!drive["image"].isString()) {
      problem = "must have \"image\": the image file, or \"\" for a drive without a disc";
    }
    if (!problem.empty()) {
      ReportStateProblem(file.string() + ": field '" + name + "' " + problem + "; left out");
      continue;
    }
    mounts[static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(name[0])))] =
        Mount{platform::Utf8ToWide(drive["image"].asString())};
  }
  return mounts;
}

}  // namespace sim
