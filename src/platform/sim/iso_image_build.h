#pragma once
// Adding files to an ISO image of the machine, as the ISO writer's silent build does, with
// Debian's xorriso.

#include <string>

namespace sim {

class SimPlatform;

// Adds what `files` names to the ISO image `image` (a Windows path): the entries of a
// folder that the last part of `files` matches (`*` and `?` as wildcards, without case),
// each at the root of the image with everything below it, so that "kqd\*" puts the
// contents of kqd at the root. Relative paths start from `folder`. Files already in the
// image are replaced, the rest and its boot records are kept; the image is replaced only
// when the whole build succeeded. An empty text on success, else what went wrong
// (xorriso's own report included).
std::string AddFilesToIsoImage(const SimPlatform& machine, const std::wstring& folder, const std::wstring& image,
                               const std::wstring& files);

}  // namespace sim
