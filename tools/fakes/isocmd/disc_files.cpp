#include "fakes/isocmd/disc_files.h"

#include <system_error>

#include "fakes/support/fake_tool.h"
#include "fakes/support/host_program.h"

namespace fakes {
namespace fs = std::filesystem;

namespace {

// Files and folders of a disc may come out read-only; the drive's folder must stay
// removable when the disc is ejected.
void MakeRemovable(const fs::path& folder) {
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write |
                                      (entry.is_directory(ec) ? fs::perms::owner_exec : fs::perms::none),
                    fs::perm_options::add, ec);
  }
}

}  // namespace

void ExtractDisc(const fs::path& iso, const fs::path& work, const fs::path& driveFolder) {
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work);
  fs::path sevenZip = FindHostProgram("7z", "p7zip-full");
  // -x![BOOT]: the El Torito boot image 7z shows as a folder is no file of the disc.
  int status = RunHostProgram({sevenZip.string(), "x", "-y", "-bso0", "-bsp0", "-x![BOOT]", "-o" + work.string(),
                               "--", iso.string()});
  if (status != 0) {
    fs::remove_all(work, ec);
    throw ToolError("7z could not read " + iso.string() + " as a disc image (7z exit status " +
                    std::to_string(status) + ")");
  }
  MakeRemovable(work);
  fs::remove_all(driveFolder, ec);
  fs::rename(work, driveFolder, ec);
  if (ec) throw ToolError("cannot put the disc's files in " + driveFolder.string() + ": " + ec.message());
}

}  // namespace fakes
