// Reading diskpart's "list volume" table by its columns.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace molvane {

struct VolumeRow {
  int number = 0;
  wchar_t letter = 0;  // upper-case ASCII letter, 0 when the volume has none
  bool optical = false;
};

// Reads the rows of the table that follows diskpart's banner (the first seven lines are the
// banner and the header). Columns are taken from the dashes line under the header and
// measured in display columns of code page 936 (a double-byte character is two wide).
// Returns nothing when any row cannot be read against those columns: a misread table must
// never yield a volume number.
std::optional<std::vector<VolumeRow>> ReadVolumeTable(const std::vector<std::wstring>& lines);

// The number of the one non-optical volume that holds the letter (either case). Nothing when
// no such volume exists, when the letter is not an ASCII letter, or when two volumes claim it.
std::optional<int> FindVolumeNumber(const std::vector<VolumeRow>& rows, wchar_t letter);

}  // namespace molvane
