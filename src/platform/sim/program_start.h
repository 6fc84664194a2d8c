#pragma once
// Finding a program as Windows finds it, and starting one that is a Linux executable (an
// ELF file, or a script with a "#!" line) put where the Windows program would lie.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sim {

class SimPlatform;

struct ProgramTarget {
  enum class Kind {
    NotFound,     // no file under any of the names tried
    Interpreter,  // <system directory>\cmd.exe: the machine's own command interpreter
    Linux,        // an ELF file or a "#!" script
    NotAProgram,  // a file that does not run on this machine
    WindowApplication,  // the stand-in of a simulated window application
  };
  Kind kind = Kind::NotFound;
  std::wstring windowsPath;  // the program found; the name as given when none was
  std::filesystem::path hostPath;
  // What runs a "#!" script: the interpreter and its one argument from that line; empty
  // for an ELF file, which runs itself.
  std::vector<std::string> runWith;
  std::string reason;  // NotFound, NotAProgram: why
  std::string application;  // WindowApplication: which (sim_window_applications.h)
};

// A name with a drive or a folder is taken as it is (a relative one below the working
// folder); a bare name is looked for in the working folder, then in the system directory.
// A name without extension is tried with each extension of PATHEXT (.COM, .EXE, .BAT,
// .CMD) in turn. Names match without case. <system directory>\cmd.exe is the interpreter
// whether or not a file lies there; a file of that name elsewhere is a file like any other.
ProgramTarget ResolveProgram(const SimPlatform& machine, const std::wstring& name, const std::wstring& workingFolder);

// Where the started program's standard output and error go: a host file descriptor, or
// -1 for /dev/null. Its standard input is /dev/null.
struct ChildStreams {
  int out = -1;
  int err = -1;
};

struct Spawned {
  pid_t pid = -1;     // -1 when it did not start
  std::string error;  // why not
};

// Starts a Linux program with argv[0] its host path and the arguments after it (UTF-8),
// in the host folder, with the environment of this process plus TARNVIK_MACHINE (the
// machine folder) and TARNVIK_DIRECTORY (the Windows working folder).
Spawned SpawnProgram(const SimPlatform& machine, const ProgramTarget& program,
                     const std::vector<std::wstring>& arguments, const std::wstring& windowsFolder,
                     const std::filesystem::path& hostFolder, ChildStreams streams);

// Waits for a started program to end: its exit code, or 128 + the signal that ended it.
int WaitForProgram(pid_t pid);

}  // namespace sim
