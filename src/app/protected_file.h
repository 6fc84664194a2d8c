#pragma once

#include <string>

// Removes a file that may carry the system, hidden and read-only attributes, which a plain
// delete refuses: clears them with attrib, then deletes it with del.
void DeleteProtectedFile(const std::wstring& path);
