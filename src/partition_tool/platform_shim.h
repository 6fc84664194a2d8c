// Molvane's own thin layer over the operating system. One implementation per platform:
// platform_shim_win32.cpp (the real Windows API) and platform_shim_posix.cpp (Linux, where
// the system folder is named by MOLVANE_SYSTEM_DIR and the batch file is carried out directly).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace molvane::platform {

// The command-line arguments, program name first, as wide text.
std::vector<std::wstring> CommandLineArguments(int argc, char** argv);

// The folder that holds the system's diskpart.exe; empty after printing why it is unknown.
std::optional<std::filesystem::path> SystemDirectory();

// The full path of the running program file.
std::filesystem::path ProgramPath();

std::string WideToCp936(const std::wstring& text);
std::wstring Cp936ToWide(const std::string& bytes);

// Creates or truncates the file and writes the text as code page 936 with every LF as CR LF.
bool WriteCp936TextFile(const std::filesystem::path& file, const std::wstring& text);

// Starts the one-line batch file hidden and waits for it to end. False when it cannot start.
bool RunBatchHiddenAndWait(const std::filesystem::path& batchFile);

// Writes the bytes to standard output unchanged (no line-end translation).
void PrintToConsole(const std::string& bytes);

}  // namespace molvane::platform
