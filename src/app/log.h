#pragma once
// The program's log: one narrow (code page 936) line on standard output, flushed.

#include <string>

void LogLine(const std::string& narrowText);
