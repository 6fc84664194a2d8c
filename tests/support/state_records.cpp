#include "support/state_records.h"

#include <fstream>
#include <memory>
#include <stdexcept>

namespace testing_support {

std::vector<Json::Value> ReadStateLines(const TempMachine& machine, const std::string& name) {
  return ReadStateLines(machine.folder(), name);
}

std::vector<Json::Value> ReadStateLines(const std::filesystem::path& machineFolder, const std::string& name) {
  std::vector<Json::Value> lines;
  std::ifstream in(machineFolder / "state" / name);
  std::string line;
  Json::CharReaderBuilder builder;
  while (std::getline(in, line)) {
    Json::Value value;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(line.data(), line.data() + line.size(), &value, &errors)) {
      throw std::runtime_error(name + ": not a JSON line: " + line);
    }
    lines.push_back(value);
  }
  return lines;
}

Json::Value ReadStateFile(const TempMachine& machine, const std::string& name) {
  std::ifstream in(machine.folder() / "state" / name);
  if (!in) return Json::Value();
  Json::Value value;
  std::string errors;
  if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &value, &errors)) {
    throw std::runtime_error(name + ": not JSON: " + errors);
  }
  return value;
}

}  // namespace testing_support
