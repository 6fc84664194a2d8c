#pragma once
// How the USB maker's steps run their tools: cmd.exe, hidden, waited for, in the tool
// folder or in no folder of their own, and the log files the tools leave in the tool
// folder read back.

#include <optional>
#include <string>

// cmd.exe with `parameters` ("/c ...") in the tool folder, waited for.
void RunInToolFolder(const std::wstring& parameters);
// cmd.exe with `parameters`, without a working folder of its own, waited for.
void RunCommand(const std::wstring& parameters);
// The text of a log file of the tool folder ("disk.log"); nothing when there is none.
std::optional<std::string> ReadToolLog(const std::wstring& name);
