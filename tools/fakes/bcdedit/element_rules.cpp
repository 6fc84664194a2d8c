#include "fakes/bcdedit/element_rules.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "fakes/bcdedit/boot_store.h"
#include "fakes/support/fake_tool.h"

namespace fakes {
namespace {

enum class ValueKind { Device, VolumePath, Boolean, Seconds, Locale, Choice };

struct ElementRule {
  std::string name;
  ValueKind kind;
  std::set<std::string> types;    // kinds of objects the element applies to
  std::set<std::string> choices;  // Choice: the words it takes, in lower case
};

const std::vector<ElementRule>& Rules() {
  static const std::vector<ElementRule> rules{
      {"device", ValueKind::Device, {kBootManager, kOsLoader, kBootSector}},
      {"path", ValueKind::VolumePath, {kBootManager, kOsLoader, kBootSector}},
      {"locale", ValueKind::Locale, {kBootManager, kOsLoader}},
      {"osdevice", ValueKind::Device, {kOsLoader}},
      {"systemroot", ValueKind::VolumePath, {kOsLoader}},
      {"nx", ValueKind::Choice, {kOsLoader}, {"optin", "optout", "alwayson", "alwaysoff"}},
      {"pae", ValueKind::Choice, {kOsLoader}, {"default", "forceenable", "forcedisable"}},
      {"detecthal", ValueKind::Boolean, {kOsLoader}},
      {"winpe", ValueKind::Boolean, {kOsLoader}},
      {"ramdisksdidevice", ValueKind::Device, {kDeviceOptions}},
      {"ramdisksdipath", ValueKind::VolumePath, {kDeviceOptions}},
      {"timeout", ValueKind::Seconds, {kBootManager}},
  };
  return rules;
}

bool IsDrive(sim::SimPlatform& machine, char letter) {
  if (!std::isalpha(static_cast<unsigned char>(letter))) return false;
  return machine.files().DirectoryExists(std::wstring{static_cast<wchar_t>(letter), L':', L'\\'});
}

// "partition=X:", "ramdisk=[X:]\path,{id}" or "boot"; the reason it is not one otherwise.
std::string DeviceProblem(sim::SimPlatform& machine, const std::string& value) {
  const std::string partition = "partition=";
  const std::string ramdisk = "ramdisk=[";
  std::string lower = LowerAscii(value);
  if (lower == "boot") return "";
  if (lower.rfind(partition, 0) == 0) {
    std::string volume = value.substr(partition.size());
    if (volume.size() != 2 || volume[1] != ':') return "partition= takes a drive such as C:";
    return IsDrive(machine, volume[0]) ? "" : volume + " is not a drive of this machine";
  }
  if (lower.rfind(ramdisk, 0) == 0) {
    std::string rest = value.substr(ramdisk.size());
    size_t comma = rest.rfind(',');
    if (rest.size() < 4 || rest[1] != ':' || rest[2] != ']' || comma == std::string::npos || comma < 4 ||
        rest[3] != '\\') {
      return "ramdisk= takes [X:]\\path,{options}";
    }
    std::string options = rest.substr(comma + 1);
    if (options.size() < 3 || options.front() != '{' || options.back() != '}') {
      return "ramdisk= ends with ,{options}, the identifier of the RAM disk options";
    }
    return IsDrive(machine, rest[0]) ? "" : rest.substr(0, 2) + " is not a drive of this machine";
  }
  return "a device is partition=X:, ramdisk=[X:]\\path,{options} or boot";
}

// A language tag such as "zh-cn" or "en-US": letters, parts joined by '-'.
bool IsLocale(const std::string& value) {
  bool partStarts = true;
  for (unsigned char c : value) {
    if (c == '-' && !partStarts) {
      partStarts = true;
    } else if (std::isalpha(c)) {
      partStarts = false;
    } else {
      return false;
    }
  }
  return !partStarts;
}

std::string ValueProblem(sim::SimPlatform& machine, const ElementRule& rule, const std::string& value) {
  switch (rule.kind) {
    case ValueKind::Device:
      return DeviceProblem(machine, value);
    case ValueKind::VolumePath:
      return !value.empty() && value[0] == '\\' ? "" : "a path on the volume starts with \\";
    case ValueKind::Boolean: {
      static const std::set<std::string> words{"yes", "no", "on", "off", "true", "false", "1", "0"};
      return words.count(LowerAscii(value)) == 1 ? "" : "the value is yes or no";
    }
    case ValueKind::Seconds:
      return !value.empty() && value.size() <= 9 &&
                     std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); })
                 ? ""
                 : "the value is a number of seconds";
    case ValueKind::Locale:
      return IsLocale(value) ? "" : "the value is a language such as zh-cn";
    case ValueKind::Choice: {
      if (rule.choices.count(LowerAscii(value)) == 1) return "";
      std::string words;
      for (const std::string& word : rule.choices) words += (words.empty() ? "" : ", ") + word;
      return "the value is one of " + words;
    }
  }
  return "";
}

}  // namespace

const std::vector<std::string>& KnownElements() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const ElementRule& rule : Rules()) all.push_back(rule.name);
    return all;
  }();
  return names;
}

void CheckElement(sim::SimPlatform& machine, const std::string& id, const std::string& type,
                  const std::string& name, const std::string& value) {
  auto rule = std::find_if(Rules().begin(), Rules().end(), [&](const ElementRule& r) { return r.name == name; });
  if (rule == Rules().end()) {
    std::string known;
    for (const std::string& n : KnownElements()) known += (known.empty() ? "" : ", ") + n;
    throw ToolError("/set " + id + ": '" + name + "' is not an element this editor knows (" + known + ")");
  }
  if (rule->types.count(type) == 0) {
    throw ToolError("/set " + id + ": the element '" + name + "' does not apply to a " + KindHeading(type) +
                    " entry");
  }
  std::string problem = ValueProblem(machine, *rule, value);
  if (!problem.empty()) throw ToolError("/set " + id + " " + name + " '" + value + "': " + problem);
}

}  // namespace fakes
