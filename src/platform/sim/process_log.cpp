#include "platform/sim/process_log.h"

#include <json/json.h>

#include <fstream>
#include <memory>
#include <set>

#include "platform/codepage.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/state_files.h"

namespace sim {
namespace {

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

// Output bytes as JSON text: UTF-8 as it is, anything else read as code page 936, the
// console code page of the machine.
std::string OutputText(const std::string& bytes) {
  if (platform::WideToUtf8(platform::Utf8ToWide(bytes)) == bytes) return bytes;
  return platform::WideToUtf8(platform::CodePage936ToWide(bytes));
}

// Each line of a JSON-lines state file that holds an object.
std::vector<Json::Value> ReadLines(const std::filesystem::path& file) {
  std::vector<Json::Value> lines;
  std::ifstream in(file);
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  for (std::string text; std::getline(in, text);) {
    Json::Value line;
    if (reader->parse(text.data(), text.data() + text.size(), &line, nullptr) && line.isObject()) {
      lines.push_back(line);
    }
  }
  return lines;
}

}  // namespace

int LogStart(const SimPlatform& machine, const StartRecord& start) {
  Json::Value line;
  line["program"] = Utf8(start.program);
  line["directory"] = Utf8(start.directory);
  line["commandLine"] = Utf8(start.commandLine);
  if (start.arguments) {
    line["arguments"] = Json::Value(Json::arrayValue);
    for (const std::wstring& argument : *start.arguments) line["arguments"].append(Utf8(argument));
  }
  line["verb"] = Utf8(start.verb);
  line["show"] = start.show;
  line["started"] = start.started;
  if (!start.started) line["reason"] = start.reason;
  if (start.parent) line["parent"] = *start.parent;
  if (start.pid) line["pid"] = *start.pid;
  return AppendStateLine(machine.StateFile("processes.jsonl"), line, "id");
}

void LogExit(const SimPlatform& machine, const ExitRecord& end) {
  Json::Value line;
  line["id"] = end.id;
  line["status"] = end.status;
  if (end.out) line["stdout"] = OutputText(*end.out);
  if (end.err) line["stderr"] = OutputText(*end.err);
  AppendStateLine(machine.StateFile("process-exits.jsonl"), line);
}

std::vector<RunningProgram> RunningPrograms(const SimPlatform& machine) {
  std::set<int> ended;
  for (const Json::Value& end : ReadLines(machine.StateFile("process-exits.jsonl"))) ended.insert(end["id"].asInt());
  std::vector<RunningProgram> running;
  for (const Json::Value& start : ReadLines(machine.StateFile("processes.jsonl"))) {
    const int id = start["id"].asInt();
    if (!start["pid"].isInt() || ended.count(id) != 0) continue;
    running.push_back({id, platform::Utf8ToWide(start["program"].asString()),
                       platform::Utf8ToWide(start["commandLine"].asString()), start["pid"].asInt()});
  }
  return running;
}

std::optional<ExitRecord> ExitOf(const SimPlatform& machine, int id) {
  for (const Json::Value& end : ReadLines(machine.StateFile("process-exits.jsonl"))) {
    if (end["id"].asInt() != id) continue;
    ExitRecord record{id, end["status"].asInt(), std::nullopt, std::nullopt};
    if (end.isMember("stdout")) record.out = end["stdout"].asString();
    if (end.isMember("stderr")) record.err = end["stderr"].asString();
    return record;
  }
  return std::nullopt;
}

}  // namespace sim
