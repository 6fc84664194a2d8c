#pragma once

#include <initializer_list>
#include <string>

// Whether every file a step was to leave is there; each missing one is logged by name.
bool RequiredFilesPresent(std::initializer_list<std::wstring> paths);
