#include "stats/stats_handoff.h"

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "platform/platform.h"
#include "stats/device_identity.h"
#include "stats/stats_url.h"

void WriteStatsHandoff(int32_t step, const std::string& soleCipher) {
  const std::wstring path = CGlobalParam::Instance()->configIniPath;
  // The address is read afresh: the WinPE reports from the machine as it is now.
  const std::string pairs = "mac=" + EncryptString(GetMacAddress(), kStatsKey) + "&sole=" + soleCipher +
                            "&step=" + EncryptString(IntToString(step), kStatsKey);
  platform::Profiles& profiles = platform::Current().profiles();
  profiles.WriteString(L"do", L"K", LocalToWide(kStatsKey), path);
  profiles.WriteString(L"do", L"FU", LocalToWide(EncryptString(StatisticsUrl(), kStatsKey)), path);
  profiles.WriteString(L"do", L"FD", LocalToWide(pairs), path);
}
