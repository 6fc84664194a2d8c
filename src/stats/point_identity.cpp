#include "stats/point_identity.h"

#include <cinttypes>
#include <cstdio>

#include "app/global_param.h"
#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "platform/platform.h"

PointIdentity& CurrentPointIdentity() {
  static PointIdentity identity;
  return identity;
}

void InitPointIdentity() {
  PointIdentity& identity = CurrentPointIdentity();
  identity.macCipher = EncryptString(WideToLocal(CGlobalParam::Instance()->deviceId), kStatsKey);

  platform::System& system = platform::Current().system();
  int64_t now = system.CurrentTime();
  system.SeedRandom(static_cast<uint32_t>(now));
  int r = 0;
  do {
    r = system.NextRandom() % 10000;
  } while (r < 1000);

  char sole[32];
  std::snprintf(sole, sizeof sole, "%" PRId64, now * 10000 + r);
  identity.soleCipher = EncryptString(sole, kStatsKey);
  identity.ready = true;
}
