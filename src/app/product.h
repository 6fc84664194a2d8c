#pragma once

// The product title: the main window's title and the first log line.
inline constexpr const wchar_t* kProductTitle = L"Tarnvik";
// The program file's name, as a copy of the program is started.
inline constexpr const wchar_t* kProgramFileName = L"Tarnvik.exe";
