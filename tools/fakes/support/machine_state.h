#pragma once
// The fake tools' files in the machine's state/ folder.

#include <json/value.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/sim/sim_platform.h"

namespace fakes {

// An exclusive flock(2) on state/machine.lock for as long as the object lives. Every fake
// holds it from reading a state file to writing it back, so that tools run at the same
// time change the machine one after the other.
class MachineLock {
 public:
  explicit MachineLock(const sim::SimPlatform& machine);
  ~MachineLock();
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

 private:
  int fd_ = -1;
};

// The JSON document in `file`, or nothing when the file does not exist. Throws ToolError
// naming the file when it cannot be read or is not strict JSON.
std::optional<Json::Value> ReadJsonFile(const std::filesystem::path& file);
std::optional<Json::Value> ReadStateJson(const sim::SimPlatform& machine, const std::string& name);

// Replaces `file` with `document` at once: written beside it, then renamed over it.
void WriteJsonFile(const std::filesystem::path& file, const Json::Value& document);
void WriteStateJson(const sim::SimPlatform& machine, const std::string& name, const Json::Value& document);

// Appends `record` as one line of compact JSON to state/NAME.
void AppendStateLine(const sim::SimPlatform& machine, const std::string& name, const Json::Value& record);

}  // namespace fakes
