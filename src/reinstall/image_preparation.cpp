#include "reinstall/image_preparation.h"

#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "app/contains_no_case.h"
#include "app/log.h"
#include "app/program_folders.h"
#include "app/protected_file.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "platform/platform.h"
#include "reinstall/largest_image_file.h"

namespace {

// Mounts the ISO on IsoCmd's virtual drive 0 and writes its drive report.
constexpr wchar_t kMountTemplate[] =
    L"/c isoCmd -number 1&\t\tisoCmd -i&\t\tisoCmd -eject 0:&\t\tisoCmd -mount 0: \"%s\"&\t\tisoCmd -v >diskInfo.ini";
constexpr wchar_t kCopyTemplate[] = L"/c copy \"%s\" \"%s\" /y";

std::optional<int64_t> FileSize(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return std::nullopt;
  auto entries = platform::Current().files().ListDirectory(path.substr(0, slash));
  if (!entries) return std::nullopt;
  for (const platform::DirectoryEntry& e : *entries) {
    if (!e.isDirectory && EqualsNoCase(e.name, path.substr(slash + 1))) return e.size;
  }
  return std::nullopt;
}

// The drive IsoCmd mounted the image on: character 15 of the sixth word of its report,
// which is read once and deleted.
std::optional<wchar_t> MountedDrive(const std::wstring& reportPath) {
  platform::Files& files = platform::Current().files();
  std::optional<std::string> report = files.ReadFile(reportPath);
  if (!report) {
    LogLine(L"IsoCmd left no drive report " + reportPath);
    return std::nullopt;
  }
  files.RemoveFile(reportPath);
  std::istringstream words(*report);
  std::vector<std::string> firstSix;
  for (std::string word; firstSix.size() < 6 && words >> word;) firstSix.push_back(word);
  if (firstSix.size() < 6 || firstSix[5].size() < 15) {
    LogLine(L"IsoCmd's drive report " + reportPath + L" names no drive");
    return std::nullopt;
  }
  return static_cast<wchar_t>(static_cast<unsigned char>(firstSix[5][14]));
}

bool PrepareIso(const std::wstring& isoPath, std::wstring& preparedPath) {
  platform::Files& files = platform::Current().files();
  const std::wstring tool = ToolFolder();
  if (!files.FileExists(tool + L"\\IsoCmd.exe")) {
    LogLine("IsoCmd.exe Tool not Find.");
    return false;
  }
  // A report an interrupted run left must not be read for this one's.
  const std::wstring report = FillTemplate(L"%s\\diskInfo.ini", {tool});
  files.RemoveFile(report);
  RunHidden(L"cmd.exe", FillTemplate(kMountTemplate, {isoPath}), tool, true);
  std::optional<wchar_t> drive = MountedDrive(report);
  if (!drive) return false;

  ImageFileChoice chosen;
  const std::wstring driveName = FillTemplate(L"%c:", {*drive});
  if (!FindLargestImageFile(driveName, chosen)) {
    LogLine(L"no image file of 1 MiB or more on " + driveName + L" (mounted from " + isoPath + L")");
    return false;
  }
  // An earlier ISO's copy must not be taken for this one's when the copy fails.
  const std::wstring target = FillTemplate(L"%s\\ghost.gho", {tool});
  DeleteProtectedFile(target);
  RunHidden(L"cmd.exe", FillTemplate(kCopyTemplate, {chosen.path, target}), std::nullopt, true);
  std::optional<int64_t> copied = FileSize(target);
  if (copied != chosen.sizeBytes) {
    LogLine(L"copy of " + chosen.path + L" to " + target + L" failed: " +
            (copied ? L"it holds " + std::to_wstring(*copied) + L" of " + std::to_wstring(chosen.sizeBytes) + L" bytes"
                    : std::wstring(L"it is missing")));
    return false;
  }
  preparedPath = target;
  return true;
}

}  // namespace

bool PrepareImage(std::wstring imagePath, std::wstring& preparedPath) {
  imagePath = FoldAsciiCapitals(std::move(imagePath));
  if (imagePath.find(L".gho") != std::wstring::npos) {
    preparedPath = imagePath;
    LogText("file is gho\r\n");
    return true;
  }
  if (imagePath.find(L".iso") != std::wstring::npos) return PrepareIso(imagePath, preparedPath);
  LogText("file not iso\r\n");
  return false;
}
