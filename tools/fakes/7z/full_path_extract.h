#pragma once
// 7z x: extracting an archive with its folders into a folder of the machine.

#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace fakes {

// Extracts `files` (paths inside the archive with slashes; all when empty) of the host
// file `archive` with Debian's 7z (`sevenZip`) into the Windows folder `windowsFolder`,
// keeping the archive's folders. The files land where the machine resolves their Windows
// paths, so a folder that exists under another case is reused, as on Windows. With
// `skipExisting` a file that exists stays as it is; otherwise it is replaced. 7z's exit
// status; nothing lands when it is not 0.
int ExtractWithFolders(const sim::SimPlatform& machine, const std::string& sevenZip, const std::string& archive,
                       const std::vector<std::string>& files, const std::string& windowsFolder, bool skipExisting);

}  // namespace fakes
