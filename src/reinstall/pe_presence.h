#pragma once

#include "catalogue/os_entry.h"

// Whether the WinPE component lies complete in peDir: a file named by `pe` whose size is
// the catalogue's. A file of another size is a damaged one: it and the WIM unpacked from
// it ("WEPE64.WIM") are deleted, so that the download fetches it anew.
bool IsPeComponentPresent(const PeEntry& pe);
