#pragma once
// The program's log: one narrow line on standard output, end-of-line and flush. It is
// seen only where the test switch opened a console.

#include <string>

void LogLine(const std::string& narrowText);
// The same for wide text, converted with WideToLocal.
void LogLine(const std::wstring& text);

// Trace text of a step, as it is: it carries its own line end, if any.
void LogText(const std::string& narrowText);
