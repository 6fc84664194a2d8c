#include "platform/sim/process_log.h"

#include <json/json.h>

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

}  // namespace sim
