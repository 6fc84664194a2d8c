#pragma once
// The virtual CD drives a virtual-drive tool has made, in state/mounts.json:
//   {"E": {"type": "cdrom", "image": "D:\\images\\win10.iso"}}
// A drive with an image has its disc's files in drives/E/; "image": "" is a drive without
// a disc. The tool writes the file; the machine only reads it.

#include <map>
#include <string>

namespace sim {

class SimPlatform;

inline constexpr const char* kMountsFile = "mounts.json";

struct Mount {
  std::wstring image;  // the mounted image file; empty: no disc
};

// The CD drives by upper-case letter. Entries that break the format are reported on
// stderr, naming the file and the field, and left out.
std::map<wchar_t, Mount> ReadMounts(const SimPlatform& machine);

}  // namespace sim
