#pragma once
// downlist.json: the parked download tasks, most recently parked first. Its strings are
// code page 936 text; it is written compactly with the members sorted by key and one line
// end, and holds "null" when no task is parked.

#include <string>
#include <vector>

struct ParkedEntry {
  std::wstring fileName;
  std::wstring saveDir;
  std::wstring url;
  float fraction = 0;
};

std::string WriteTaskList(const std::vector<ParkedEntry>& entries);
// The entries of a file's text, in file order; none when it does not parse (the reason
// then in `error`) or its root is not an array. A missing string member reads as empty,
// a missing fraction as 0.
std::vector<ParkedEntry> ReadTaskList(const std::string& text, std::string* error = nullptr);
