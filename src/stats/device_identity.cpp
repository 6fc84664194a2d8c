#include "stats/device_identity.h"

#include <cstdio>
#include <optional>

#include "app/text_helpers.h"
#include "platform/platform.h"

namespace {

constexpr uint32_t kIfTypeIeee80211 = 71;
constexpr int32_t kNcfPhysical = 0x4;
constexpr uint32_t kFirstBufferBytes = 15000;
constexpr int kMaxAddressCalls = 3;

std::string FormatMac(const std::vector<uint8_t>& address, size_t bytes) {
  std::string text;
  for (size_t i = 0; i < bytes; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : "-%02X", i < address.size() ? address[i] : 0);
    text += pair;
  }
  return text;
}

std::string ErrorMarker(int step) {
  char text[16];
  std::snprintf(text, sizeof text, ":%d:%d", step, 1);
  return text;
}

// The adapters as GetAdaptersAddresses lists them, or nothing when that call fails.
std::optional<std::vector<NetAdapterInfo>> ListByAddresses() {
  auto& network = platform::Current().network();
  uint32_t size = kFirstBufferBytes;
  for (int call = 0; call < kMaxAddressCalls; ++call) {
    platform::AdapterAddressesReply reply = network.GetAdaptersAddresses(size);
    if (reply.error == platform::kErrorBufferOverflow) {
      size = reply.requiredBytes;
      continue;
    }
    if (reply.error != platform::kErrorSuccess) return std::nullopt;
    std::vector<NetAdapterInfo> list;
    for (const auto& a : reply.adapters) {
      if (a.adapterName.empty()) continue;
      NetAdapterInfo info;
      info.characteristics = AdapterCharacteristics(a.adapterName);
      size_t length = a.physicalAddress.size();
      if (length == 6 || length == 8) info.macText = FormatMac(a.physicalAddress, length);
      info.description = WideToLocal(a.description);
      info.ifType = a.ifType;
      info.addressLength = static_cast<uint32_t>(length);
      list.push_back(std::move(info));
    }
    return list;
  }
  return std::nullopt;
}

struct InfoListing {
  std::vector<NetAdapterInfo> list;
  std::string marker;  // set when the listing failed
};

// The older listing, GetAdaptersInfo: a call that asks for the size, then the real one.
InfoListing ListByInfo() {
  auto& network = platform::Current().network();
  platform::AdaptersInfoReply probe = network.GetAdaptersInfo(0);
  if (probe.error != platform::kErrorBufferOverflow) return {{}, ErrorMarker(3)};
  platform::AdaptersInfoReply reply = network.GetAdaptersInfo(probe.requiredBytes);
  if (reply.error == platform::kErrorNotEnoughMemory) return {{}, ErrorMarker(4)};
  if (reply.error != platform::kErrorSuccess) return {{}, ErrorMarker(5)};
  InfoListing listing;
  for (const auto& a : reply.adapters) {
    size_t length = a.address.size();
    if (length < 6 || length > 8 || a.adapterName.empty() || a.ipAddress == "0.0.0.0") continue;
    NetAdapterInfo info;
    info.macText = FormatMac(a.address, length == 6 ? 6 : 8);
    info.description = a.description;
    info.characteristics = AdapterCharacteristics(a.adapterName);
    info.ifType = a.type;
    info.addressLength = static_cast<uint32_t>(length);
    listing.list.push_back(std::move(info));
  }
  return listing;
}

// The bit test alone decides: an adapter the registry knows nothing of (-1) has every
// bit set and counts as physical. The statistics service tells machines apart by the
// address this rule gives, so it must not be made stricter here.
bool IsPhysical(const NetAdapterInfo& a) { return (a.characteristics & kNcfPhysical) != 0; }

}  // namespace

int32_t AdapterCharacteristics(const std::string& adapterName) {
  auto& registry = platform::Current().registry();
  auto classKey = registry.OpenKey(platform::RegistryRoot::LocalMachine,
                                   L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}");
  if (!classKey) return -1;
  uint32_t count = registry.SubkeyCount(*classKey).value_or(100);
  std::string folded = adapterName;
  for (auto& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (uint32_t i = 0; i < count; ++i) {
    wchar_t name[16];
    std::swprintf(name, 16, L"%04u", i);
    auto subkey = registry.OpenSubkey(*classKey, name);
    if (!subkey) continue;
    auto id = registry.ReadAnsiString(*subkey, "NetCfgInstanceId", 260);
    if (!id) continue;
    for (auto& c : *id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (*id != folded) continue;
    auto characteristics = registry.ReadDword(*subkey, "Characteristics");
    return characteristics ? static_cast<int32_t>(*characteristics) : -1;
  }
  return -1;
}

std::string GetMacAddress() {
  std::vector<NetAdapterInfo> list;
  if (auto byAddresses = ListByAddresses()) {
    list = std::move(*byAddresses);
  } else {
    InfoListing byInfo = ListByInfo();
    if (!byInfo.marker.empty()) return byInfo.marker;
    list = std::move(byInfo.list);
  }
  auto first = [&](auto&& matches) -> const NetAdapterInfo* {
    for (const auto& a : list) {
      if (a.addressLength == 6 && matches(a)) return &a;
    }
    return nullptr;
  };
  const NetAdapterInfo* chosen = first([](const NetAdapterInfo& a) { return IsPhysical(a) && a.ifType != kIfTypeIeee80211; });
  if (!chosen) chosen = first([](const NetAdapterInfo& a) { return IsPhysical(a) && a.ifType == kIfTypeIeee80211; });
  if (!chosen) chosen = first([](const NetAdapterInfo&) { return true; });
  return chosen ? chosen->macText : "";
}
