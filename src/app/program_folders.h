#pragma once
// The program folder as the tool commands name it: without its trailing backslash
// ("D:\\Tarnvik"), with the tool folder below it.

#include <string>

// programDir without its trailing backslash.
std::wstring ProgramFolder();
// ProgramFolder() + "\\tool": the external tools, the boot files and the files a tool
// prepares there.
std::wstring ToolFolder();
