#pragma once
// How every external command runs: through the shell, hidden, with administrator rights
// asked for where Windows has them (from Vista on). Success of a command is judged by
// what it leaves behind, never by its exit code.

#include <optional>
#include <string>

// Starts `program` with `parameters` in `directory` (nothing: the caller's folder) and,
// with `wait`, returns once it has ended, however long that takes. False, with a log
// line, when it cannot be started.
bool RunHidden(const std::wstring& program, const std::wstring& parameters,
               const std::optional<std::wstring>& directory, bool wait);
