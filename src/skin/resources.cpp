#include "skin/resources.h"

#include "platform/platform.h"
#include "skin/paint_manager.h"

namespace DuiLib {

CDuiString ResourceFilePath(const CDuiString& relative) {
  bool absolute = relative.size() > 2 && relative[1] == L':';
  return absolute ? relative : CPaintManagerUI::GetResourcePath() + relative;
}

std::optional<std::string> ReadResourceFile(const CDuiString& relative) {
  if (relative.empty()) return std::nullopt;
  return platform::Current().files().ReadFile(ResourceFilePath(relative));
}

}  // namespace DuiLib
