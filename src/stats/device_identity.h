#pragma once
// The machine's identity in statistics: the hardware address of its network adapter.

#include <cstdint>
#include <string>
#include <vector>

struct NetAdapterInfo {
  std::string macText;      // "00-1A-2B-3C-4D-5E"; meaningful for 6- and 8-byte addresses
  std::string description;  // ANSI code page
  int32_t characteristics = -1;  // from the network class registry; -1 when not found
  uint32_t ifType = 0;           // 71 is IEEE 802.11
  uint32_t addressLength = 0;
};

// The "Characteristics" registry value of the network adapter with this name (its GUID
// text), or -1.
int32_t AdapterCharacteristics(const std::string& adapterName);

// The address of the machine's best adapter: a wired physical one, else a wireless
// physical one, else any with a 6-byte address (an adapter missing from the registry
// counts as physical); "" when there is none, or an error
// marker (":3:1", ":4:1", ":5:1") when the adapters cannot be listed at all.
std::string GetMacAddress();
