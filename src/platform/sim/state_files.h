#pragma once
// Files of a machine's state/ folder that several processes share: the program and the
// fake tools it starts. A writer holds flock(2) on state/machine.lock from reading a file
// to writing it back, and replaces a JSON file whole by renaming a temporary file over it,
// so that a reader without the lock sees the old or the new content, never a part. The
// lock is never taken twice on one path of a process: a second flock on another open
// file would wait for the first.

#include <json/json.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sim {

class SimPlatform;

// An exclusive flock(2) on the host file (created empty when missing), waiting while
// another holds it; released when the holder goes. Nothing when the file cannot be opened.
std::shared_ptr<void> LockHostFile(const std::filesystem::path& file);

// The JSON object in a state file; an empty object when the file does not exist. A file
// that is not a JSON object is reported on stderr, naming it, and read as empty.
Json::Value ReadStateObject(const std::filesystem::path& file);

// Reads the state file's object, lets `change` edit it and writes it back when `change`
// returns true, all under the file's lock. Returns what `change` returned, false when the
// file could not be locked or written.
bool UpdateStateObject(const std::filesystem::path& file, const std::function<bool(Json::Value&)>& change);

// The lock UpdateStateObject takes, state/machine.lock beside `file`, for a writer that
// changes several state files (or drives/ folders) as one step.
std::shared_ptr<void> LockStateFile(const std::filesystem::path& file);

// Replaces the state file with the object whole, for a caller that holds the lock.
bool WriteStateObject(const std::filesystem::path& file, const Json::Value& root);

// Appends one compact JSON line to a state file under its lock; returns its line number,
// counted from 1, which is also put in the line as `numberField` when one is named.
int AppendStateLine(const std::filesystem::path& file, Json::Value line, const char* numberField = nullptr);

// Reports a state file that breaks its format on stderr, each message once a process (the
// file is read again on every look-up).
void ReportStateProblem(const std::string& message);

// One line of JSON without blanks, text as UTF-8.
std::string CompactJson(const Json::Value& value);

}  // namespace sim
