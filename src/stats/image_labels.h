#pragma once
// The family labels that the statistics report in place of image names ("win7 64", "pe"),
// alone or joined into one text.

#include <set>
#include <string>
#include <vector>

// The family of an image name: "xp", "win7 64", "win7 32", "win10 64", "win10 32",
// "win8 64", "win8 32", "pe" or "Other". Letters A to Z match without case.
std::wstring OsFamilyLabel(const std::wstring& imageName);

// The narrowed labels of the names in the set's order on Windows (by UTF-16 code unit),
// joined by "@@"; "null" for an empty set.
std::string JoinedLabels(const std::set<std::wstring>& imageNames);

// The narrowed labels of narrow names in list order, joined by "@@"; "" for an empty list.
std::string JoinedLabels(const std::vector<std::string>& imageNames);
