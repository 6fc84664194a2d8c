#include "platform/codepage.h"
#include "platform/sim/sim_services.h"

namespace sim {
namespace {

// Windows answers with these when there is nothing to list or the call goes wrong.
constexpr uint32_t kErrorNoData = 232;
constexpr uint32_t kErrorGenFailure = 31;

// Roughly what one adapter takes in each call's buffer.
constexpr uint32_t kAddressesBytesPerAdapter = 512;
constexpr uint32_t kInfoBytesPerAdapter = 704;

}  // namespace

platform::AdapterAddressesReply SimNetwork::GetAdaptersAddresses(uint32_t bufferBytes) {
  const MachineConfig& m = machine_.config();
  if (m.faults.adapterAddresses == "error") return {kErrorGenFailure, 0, {}};
  if (m.faults.adapterAddresses == "overflow") return {platform::kErrorBufferOverflow, bufferBytes + 4096, {}};
  platform::AdapterAddressesReply reply;
  for (const Adapter& a : m.adapters) {
    if (a.inAddresses) reply.adapters.push_back({a.name, a.description, a.address, a.ifType});
  }
  if (reply.adapters.empty()) return {kErrorNoData, 0, {}};
  reply.requiredBytes = kAddressesBytesPerAdapter * static_cast<uint32_t>(reply.adapters.size());
  if (bufferBytes < reply.requiredBytes) return {platform::kErrorBufferOverflow, reply.requiredBytes, {}};
  return reply;
}

platform::AdaptersInfoReply SimNetwork::GetAdaptersInfo(uint32_t bufferBytes) {
  const MachineConfig& m = machine_.config();
  const bool probe = bufferBytes == 0;
  if (probe && m.faults.adaptersInfo == "probe") return {kErrorGenFailure, 0, {}};
  if (!probe && m.faults.adaptersInfo == "allocate") return {platform::kErrorNotEnoughMemory, 0, {}};
  if (!probe && m.faults.adaptersInfo == "error") return {kErrorGenFailure, 0, {}};
  platform::AdaptersInfoReply reply;
  for (const Adapter& a : m.adapters) {
    if (a.inInfo) {
      reply.adapters.push_back({a.name, platform::WideToCodePage936(a.description), a.address, a.ifType, a.ipAddress});
    }
  }
  if (reply.adapters.empty()) return {kErrorNoData, 0, {}};
  reply.requiredBytes = kInfoBytesPerAdapter * static_cast<uint32_t>(reply.adapters.size());
  if (bufferBytes < reply.requiredBytes) return {platform::kErrorBufferOverflow, reply.requiredBytes, {}};
  return reply;
}

}  // namespace sim
