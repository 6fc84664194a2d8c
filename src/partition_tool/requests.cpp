#include "requests.h"

#include <climits>

#include "diskpart_text.h"
#include "shrink_size.h"
#include "volume_table.h"

namespace molvane {
namespace {

wchar_t FirstCharacter(const std::wstring& argument) { return argument.empty() ? 0 : argument[0]; }

// The size goes into the script as written, so it must be a plain decimal number:
// anything else could carry further diskpart commands.
std::optional<int> ReadSizeArgument(const std::wstring& size) {
  if (size.empty() || size.size() > 10) return std::nullopt;
  long long value = 0;
  for (wchar_t c : size) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  if (value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

// The new letter also goes into the script as written: one letter, optionally with a colon.
bool IsLetterArgument(const std::wstring& letter) {
  return (letter.size() == 1 || (letter.size() == 2 && letter[1] == L':')) &&
         IsAsciiLetter(letter[0]);
}

bool HasTextAfterPreamble(const std::vector<std::wstring>& lines, const std::wstring& text) {
  for (size_t i = kDiskpartPreambleLines; i < lines.size(); ++i) {
    if (lines[i].find(text) != std::wstring::npos) return true;
  }
  return false;
}

std::optional<std::vector<VolumeRow>> ListVolumes(const DiskpartSession& diskpart) {
  const auto lines = diskpart.Run(L"list volume");
  if (!lines) return std::nullopt;
  return ReadVolumeTable(*lines);
}

std::optional<int> VolumeNumberOf(const DiskpartSession& diskpart, wchar_t letter) {
  const auto rows = ListVolumes(diskpart);
  if (!rows) return std::nullopt;
  return FindVolumeNumber(*rows, letter);
}

std::optional<int> QueryMaxShrink(const DiskpartSession& diskpart, wchar_t letter) {
  const auto volume = VolumeNumberOf(diskpart, letter);
  if (!volume) return std::nullopt;
  const auto lines =
      diskpart.Run(L"select volume " + std::to_wstring(*volume) + L"\r\nshrink querymax");
  if (!lines) return std::nullopt;
  return ReadMaxShrinkMb(*lines);
}

Outcome Succeeded() { return {1, "OK!\r\n"}; }
Outcome Failed() { return {kFailed, kFailedText}; }

Outcome CarryQuery(const QueryMaxShrinkRequest& request, const DiskpartSession& diskpart) {
  const auto size = QueryMaxShrink(diskpart, request.letter);
  if (!size) return Failed();
  return {*size, std::to_string(*size) + "\r\n"};
}

Outcome CarryShrinkAndCreate(const ShrinkAndCreateRequest& request,
                             const DiskpartSession& diskpart) {
  const auto requested = ReadSizeArgument(request.size);
  if (!requested || !IsLetterArgument(request.newLetter)) return Failed();
  const int maximum = QueryMaxShrink(diskpart, request.letter).value_or(0);
  if (!(*requested < maximum)) return {0, ""};

  const auto volume = VolumeNumberOf(diskpart, request.letter);
  if (!volume) return Failed();
  const auto lines = diskpart.Run(L"select volume " + std::to_wstring(*volume) +
                                  L"\r\nshrink desired=" + request.size +
                                  L"\r\ncreate partition primary size=" + request.size +
                                  L"\r\nformat quick\r\nassign letter=" + request.newLetter);
  if (!lines || !HasTextAfterPreamble(*lines, L"成功地分配了驱动器号或装载点")) return Failed();
  return Succeeded();
}

Outcome CarryDeleteAndExtend(const DeleteAndExtendRequest& request,
                             const DiskpartSession& diskpart) {
  // Deleting a volume and then extending that same number would act on whatever holds it next.
  if (AsciiUpper(request.deleteLetter) == AsciiUpper(request.extendLetter)) return Failed();
  const auto rows = ListVolumes(diskpart);
  if (!rows) return Failed();
  const auto toDelete = FindVolumeNumber(*rows, request.deleteLetter);
  const auto toExtend = FindVolumeNumber(*rows, request.extendLetter);
  if (!toDelete || !toExtend) return Failed();
  const auto lines = diskpart.Run(L"select volume " + std::to_wstring(*toDelete) +
                                  L"\r\ndelete volume\r\nselect volume " +
                                  std::to_wstring(*toExtend) + L"\r\nextend");
  if (!lines || !HasTextAfterPreamble(*lines, L"成功地扩展了卷")) return Failed();
  return Succeeded();
}

}  // namespace

std::optional<Request> ParseRequest(const std::vector<std::wstring>& arguments) {
  const auto is = [&](const wchar_t* upper, const wchar_t* lower) {
    return arguments[1] == upper || arguments[1] == lower;
  };
  switch (arguments.size()) {
    case 3:
      if (is(L"-H", L"-h")) return QueryMaxShrinkRequest{FirstCharacter(arguments[2])};
      break;
    case 5:
      if (is(L"-A", L"-a")) {
        return ShrinkAndCreateRequest{FirstCharacter(arguments[2]), arguments[3], arguments[4]};
      }
      break;
    case 4:
      if (is(L"-E", L"-e")) {
        return DeleteAndExtendRequest{FirstCharacter(arguments[2]), FirstCharacter(arguments[3])};
      }
      break;
  }
  return std::nullopt;
}

Outcome Carry(const Request& request, const DiskpartSession& diskpart) {
  struct Visitor {
    const DiskpartSession& diskpart;
    Outcome operator()(const QueryMaxShrinkRequest& r) const { return CarryQuery(r, diskpart); }
    Outcome operator()(const ShrinkAndCreateRequest& r) const {
      return CarryShrinkAndCreate(r, diskpart);
    }
    Outcome operator()(const DeleteAndExtendRequest& r) const {
      return CarryDeleteAndExtend(r, diskpart);
    }
  };
  return std::visit(Visitor{diskpart}, request);
}

}  // namespace molvane
