#pragma once
// Tools of the machine that the program drives through their windows, simulated in the
// program's own process so that the window automation meets real windows: a program
// file whose first line is "tarnvik window application: NAME" starts application NAME
// on the starting thread, with its windows in the machine's window table, and ends when
// the application ends (for a window application, when its window has closed).

#include <filesystem>
#include <optional>
#include <string>

namespace sim {

class SimPlatform;

// The application a program file stands for, nothing for any other file.
std::optional<std::string> WindowApplicationOf(const std::string& fileStart);

struct ApplicationRun {
  SimPlatform& machine;
  std::wstring folder;       // the Windows working folder
  std::wstring commandLine;  // the parameters after the program's name
  int out = -1;              // where its messages go, -1 nowhere
};

// Runs the application to its end; its exit status (1 with a message on `out` for a
// command line it does not know, or an unknown application).
int RunWindowApplication(const std::string& name, const ApplicationRun& run);

// The applications, each in a file of its own.
int RunIsoWriter(const ApplicationRun& run);  // "iso-writer": iso.dll
int RunBootice(const ApplicationRun& run);    // "bootice": bootice.exe

}  // namespace sim
