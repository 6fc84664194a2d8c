#pragma once
// The records a simulated machine keeps in its state/ folder, read back by tests.

#include <json/json.h>

#include <string>
#include <vector>

#include "support/temp_machine.h"

namespace testing_support {

// The lines of a JSON-lines file of state/ ("processes.jsonl"), each parsed; none when the
// file does not exist.
std::vector<Json::Value> ReadStateLines(const TempMachine& machine, const std::string& name);
// The same for the machine in `machineFolder`.
std::vector<Json::Value> ReadStateLines(const std::filesystem::path& machineFolder, const std::string& name);

// A JSON file of state/ ("bcd.json") parsed; null when the file does not exist.
Json::Value ReadStateFile(const TempMachine& machine, const std::string& name);

}  // namespace testing_support
