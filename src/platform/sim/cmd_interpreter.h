#pragma once
// The machine's cmd.exe: runs "/c <command line>" (see cmd_parser.h for the syntax) in a
// working folder. A command is a built-in (cmd_builtins.h) or a program, found as
// program_start.h finds programs; each program it starts is recorded in
// state/processes.jsonl with the cmd.exe run as its parent, its command line the text
// after its name as written. Environment variables are not expanded.

#include <string>

namespace sim {

class SimPlatform;

struct CmdRun {
  SimPlatform& machine;
  std::wstring folder;  // the Windows working folder, which exists
  int out = -1;         // host descriptors of the interpreter's standard output and error
  int err = -1;
  int id = 0;    // the id of this cmd.exe start in state/processes.jsonl
  int show = 0;  // how it was shown, passed on to the programs it starts
};

// Runs cmd.exe with these parameters; returns its exit status: that of the last command
// run, 9009 when that was no command at all, 255 for a line cmd refuses, 1 for
// parameters other than "/c ...".
int RunCmd(const CmdRun& run, const std::wstring& parameters);

}  // namespace sim
