#pragma once
// The files of an ISO image, laid out as the folder of the drive that holds it.

#include <filesystem>

namespace fakes {

// Extracts every file of `iso` with Debian's 7z into `work`, then puts that folder in
// place of `driveFolder`. Throws ToolError with 7z's reason when the image cannot be read;
// `driveFolder` is then left as it was.
void ExtractDisc(const std::filesystem::path& iso, const std::filesystem::path& work,
                 const std::filesystem::path& driveFolder);

}  // namespace fakes
