#include "stats/fixed_point_base.h"

#include "app/payload_cipher.h"
#include "app/text_helpers.h"
#include "stats/point_identity.h"

FixedPointBase::FixedPointBase(int32_t step) : step(step) {
  if (!CurrentPointIdentity().ready) InitPointIdentity();
}

std::string FixedPointBase::BuildQuery() const { return BaseQuery(); }

std::string FixedPointBase::BaseQuery() const {
  const PointIdentity& identity = CurrentPointIdentity();
  return "mac=" + identity.macCipher + "&sole=" + identity.soleCipher + "&step=" +
         EncryptString(IntToString(step), kStatsKey);
}

std::string FixedPointBase::Pair(const char* key, const std::string& plainText) {
  return std::string("&") + key + "=" + EncryptString(plainText, kStatsKey);
}
