#include "reinstall/pe_handoff.h"

#include "app/global_param.h"
#include "app/log.h"
#include "app/payload_cipher.h"
#include "app/program_folders.h"
#include "app/protected_file.h"
#include "app/run_hidden.h"
#include "app/template_fill.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "reinstall/required_files.h"

namespace {

// GetLogicalDriveStringsW's buffer, in characters.
constexpr uint32_t kDriveStringsChars = 256;

}  // namespace

bool WriteGhostHandoff(wchar_t drive, const std::wstring& preparedImage) {
  platform::Profiles& profiles = platform::Current().profiles();
  const std::wstring source = FillTemplate(L"%s\\ghostPe.In", {ProgramFolder()});
  const std::wstring target = FillTemplate(L"%c:\\ghostPe.In", {drive});
  if (!profiles.WriteString(L"ini", L"ghost", preparedImage, source)) LogLine(L"cannot write " + source);
  DeleteProtectedFile(target);
  RunHidden(L"cmd.exe", FillTemplate(L"/c move /Y \"%s\" %s", {source, target}), std::nullopt, true);
  RunHidden(L"cmd.exe", FillTemplate(L"/c attrib +s +r +h %s", {target}), std::nullopt, true);

  if (!RequiredFilesPresent({target})) return false;
  const std::wstring named = profiles.ReadString(L"ini", L"ghost", L"", target);
  if (named != preparedImage) {
    LogLine(target + L" names " + (named.empty() ? L"no image" : named) + L", not " + preparedImage +
            L": the older file was not replaced");
    return false;
  }
  return true;
}

void WriteBackupPathHandoff(const std::wstring& backupFolder) {
  const std::wstring value = LocalToWide(EncryptString(WideToLocal(backupFolder), kStatsKey));
  platform::Current().profiles().WriteString(L"do", L"BP", value, CGlobalParam::Instance()->configIniPath);
}

void CleanStaleConfigIni() {
  platform::Files& files = platform::Current().files();
  platform::Storage& storage = platform::Current().storage();
  const std::wstring kept = CGlobalParam::Instance()->configIniPath;
  files.SetFileAttributes(kept, platform::kFileAttributeHidden);
  const auto roots = storage.LogicalDriveStrings(kDriveStringsChars);
  for (const std::wstring& root : roots ? *roots : std::vector<std::wstring>{}) {
    if (storage.QueryDriveType(root) != platform::kDriveFixed || kept.empty() || root[0] == kept[0]) continue;
    const std::wstring stale = FillTemplate(L"%c:\\Config.ini", {root[0]});
    files.SetFileAttributes(stale, platform::kFileAttributeNormal);
    files.RemoveFile(stale);
  }
}
