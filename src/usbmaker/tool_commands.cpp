#include "usbmaker/tool_commands.h"

#include "app/program_folders.h"
#include "app/run_hidden.h"
#include "platform/platform.h"

void RunInToolFolder(const std::wstring& parameters) { RunHidden(L"cmd.exe", parameters, ToolFolder(), true); }

void RunCommand(const std::wstring& parameters) { RunHidden(L"cmd.exe", parameters, std::nullopt, true); }

std::optional<std::string> ReadToolLog(const std::wstring& name) {
  return platform::Current().files().ReadFile(ToolFolder() + L"\\" + name);
}
