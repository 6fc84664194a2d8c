// Molvane's three requests, chosen by the command line.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "diskpart_session.h"

namespace molvane {

struct QueryMaxShrinkRequest {  // -H letter
  wchar_t letter = 0;
};
struct ShrinkAndCreateRequest {  // -A letter size newLetter
  wchar_t letter = 0;
  std::wstring size;
  std::wstring newLetter;
};
struct DeleteAndExtendRequest {  // -E letterToDelete letterToExtend
  wchar_t deleteLetter = 0;
  wchar_t extendLetter = 0;
};
using Request = std::variant<QueryMaxShrinkRequest, ShrinkAndCreateRequest, DeleteAndExtendRequest>;

// The argument count (program name included) picks the request, then the switch must be
// the one that count allows. Nothing for any other command line.
std::optional<Request> ParseRequest(const std::vector<std::wstring>& arguments);

struct Outcome {
  int exitCode = 0;
  std::string console;
};

Outcome Carry(const Request& request, const DiskpartSession& diskpart);

inline constexpr int kRefusedCommandLine = -3;
inline constexpr int kFailed = -1;
inline constexpr char kFailedText[] = "faile\r\n";

}  // namespace molvane
