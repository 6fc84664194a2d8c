#pragma once
// The commands the machine's cmd.exe runs itself: attrib, copy, move, del (erase), rd
// (rmdir) and echo, on the machine's files and their attributes, and taskkill on the
// programs it runs, with the messages and the refusals of Windows. Paths are single files or folders (no wildcards), quoted or not,
// full or relative to the current folder.

#include <string>

namespace sim {

class SimPlatform;

// Where a command runs and writes. Output goes out in code page 936; -1 discards it.
struct CmdContext {
  SimPlatform& machine;
  std::wstring folder;  // the current folder
  int out = -1;
  int err = -1;
  void Print(const std::wstring& text) const;     // to standard output
  void Complain(const std::wstring& text) const;  // to standard error
};

// Whether the name (any case) is a built-in command.
bool IsBuiltin(const std::wstring& name);

// Runs a built-in command with the text after its name; returns its exit status: 0, or
// 1 after a failure, which is reported on standard error.
int RunBuiltin(const CmdContext& context, const std::wstring& name, const std::wstring& arguments);

}  // namespace sim
