#include <json/json.h>

#include "platform/codepage.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/state_files.h"

namespace sim {

int SimMessageBoxes::Show(const std::wstring& text, const std::wstring& caption, uint32_t type) {
  Json::Value line;
  line["text"] = platform::WideToUtf8(text);
  line["caption"] = platform::WideToUtf8(caption);
  line["type"] = type;
  AppendStateLine(machine_.StateFile("messageboxes.jsonl"), line);
  return platform::kIdOk;
}

}  // namespace sim
