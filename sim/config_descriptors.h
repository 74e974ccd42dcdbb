// The player's USB configuration as the Vizu10 driver's configuration request returns it: the
// configuration descriptor, one interface descriptor and one endpoint descriptor per endpoint,
// and which pipe the host then writes to.
#pragma once
#include <cstdint>
#include <vector>

#include "sim/player_data.h"

namespace vorpex::sim {

inline constexpr size_t kConfigurationDescriptorSize = 9;
inline constexpr size_t kInterfaceDescriptorSize = 9;
inline constexpr size_t kEndpointDescriptorSize = 7;

// The value of the configuration descriptor's total-length field.
uint32_t ReportedTotalLength(const PlayerSettings& settings);

// The descriptors the player sends (at most 9 + 9 + 30 * 7 = 228 bytes): bus powered,
// 100 mA, one vendor-specific interface whose endpoints are all bulk with 64-byte packets.
std::vector<uint8_t> ConfigurationDescriptors(const PlayerSettings& settings);

// The pipe (0 for PIPE00, 1 for PIPE01) that carries commands and data to the player. Hosts
// choose it from the descriptors: on the device-interface route PIPE00 when the total length
// is 40 or more; on the fixed-name route PIPE00 when the interface has 18 or more endpoints;
// PIPE01 otherwise. The player takes commands only on the pipe its host will choose.
uint32_t WritePipeIndex(const PlayerSettings& settings, bool fixedNameRoute);

}  // namespace vorpex::sim
