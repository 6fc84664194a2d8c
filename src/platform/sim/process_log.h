#pragma once
// What the machine records of the programs it starts.
//   state/processes.jsonl       one line a start, successful or not, in start order
//   state/process-exits.jsonl   one line when a started program has ended
// Each start has an "id", its line number in processes.jsonl (from 1); the end of a start
// carries the same id.

#include <optional>
#include <string>
#include <vector>

namespace sim {

class SimPlatform;

struct StartRecord {
  std::wstring program;      // the resolved Windows path, or the name as given when not found
  std::wstring directory;    // the Windows working folder
  std::wstring commandLine;  // the parameters exactly as passed
  std::optional<std::vector<std::wstring>> arguments;  // the C run-time split, for Linux programs
  std::wstring verb;
  int show = 0;
  bool started = false;
  std::string reason;         // why not, when not started
  std::optional<int> parent;  // the id of the cmd.exe run that started it
  std::optional<int> pid;     // the host process of a Linux program that started
};

// Appends the start; returns its id.
int LogStart(const SimPlatform& machine, const StartRecord& start);

struct ExitRecord {
  int id = 0;
  int status = 0;  // the exit code; 128 + the signal number when a signal ended it
  // What the program wrote to its standard output and error where nothing else took it;
  // nothing where it went elsewhere (a redirection, the cmd.exe run that started it).
  std::optional<std::string> out, err;
};

void LogExit(const SimPlatform& machine, const ExitRecord& end);

// A started Linux program without an end in the log yet.
struct RunningProgram {
  int id = 0;
  std::wstring program;  // the Windows path it was started by
  std::wstring commandLine;
  int pid = 0;
};

// From the log, in start order.
std::vector<RunningProgram> RunningPrograms(const SimPlatform& machine);

// The end of the start `id`, once it has ended.
std::optional<ExitRecord> ExitOf(const SimPlatform& machine, int id);

}  // namespace sim
