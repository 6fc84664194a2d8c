#include "catalogue/memory_query.h"

#include <cstdio>
#include <limits>
#include <string>

#include "app/log.h"
#include "app/text_helpers.h"
#include "catalogue/decimal_text.h"
#include "platform/codepage.h"
#include "platform/platform.h"

namespace {

std::string Hex(uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", code);
  return text;
}

// The log line of each failing step, before its code in hexadecimal.
const char* FailureText(platform::MemoryQueryStep step) {
  switch (step) {
    case platform::MemoryQueryStep::InitializeCom: return "Failed to initialize COM library. Error code = 0x";
    case platform::MemoryQueryStep::InitializeSecurity: return "Failed to initialize security. Error code = 0x";
    case platform::MemoryQueryStep::CreateLocator: return "Failed to create IWbemLocator object. Err code = 0x";
    case platform::MemoryQueryStep::ConnectServer: return "Could not connect. Error code = 0x";
    case platform::MemoryQueryStep::SetProxyBlanket: return "Could not set proxy blanket. Error code = 0x";
    case platform::MemoryQueryStep::ExecQuery: return "Query for operating system name failed. Error code = 0x";
    case platform::MemoryQueryStep::None: break;
  }
  return "";
}

// The number between the two double quotes that follow "Capacity" in an object's MOF
// text; 0 when the text holds none.
int64_t CapacityOf(const std::wstring& mofText) {
  size_t name = mofText.find(L"Capacity");
  if (name == std::wstring::npos) return 0;
  size_t open = mofText.find(L'"', name);
  if (open == std::wstring::npos) return 0;
  size_t close = mofText.find(L'"', open + 1);
  if (close == std::wstring::npos) return 0;
  return ParseDecimalText(platform::WideToUtf8(mofText.substr(open + 1, close - open - 1)));
}

}  // namespace

int64_t QueryInstalledMemory() {
  platform::MemoryQueryReply reply = platform::Current().system().QueryPhysicalMemory();
  if (reply.failedStep != platform::MemoryQueryStep::None) {
    LogLine(FailureText(reply.failedStep) + Hex(reply.errorCode));
    return -1;
  }
  int64_t total = 0;
  for (const auto& text : reply.objectTexts) {
    if (!text) {
      LogLine(WideToLocal(L"硬件信息 ") + "vtProp.bstrVal == NULL");
      continue;
    }
    LogLine(WideToLocal(L"硬件信息: " + *text));
    int64_t capacity = CapacityOf(*text);
    // A module that reports nonsense must not wrap the sum around.
    if (capacity > 0) total = capacity > std::numeric_limits<int64_t>::max() - total ? std::numeric_limits<int64_t>::max()
                                                                                    : total + capacity;
  }
  return total;
}
