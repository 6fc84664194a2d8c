#include <json/json.h>

#include <fstream>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace sim {

int SimMessageBoxes::Show(const std::wstring& text, const std::wstring& caption, uint32_t type) {
  Json::Value line;
  line["text"] = platform::WideToUtf8(text);
  line["caption"] = platform::WideToUtf8(caption);
  line["type"] = type;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  std::lock_guard guard(lock_);
  std::ofstream(machine_.StateFile("messageboxes.jsonl"), std::ios::app) << Json::writeString(writer, line) << "\n";
  return platform::kIdOk;
}

}  // namespace sim
