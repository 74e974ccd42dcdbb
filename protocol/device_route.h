// How the device library finds its driver's files on a given system, and which pipe carries
// commands to the player, from the player's configuration descriptor set.
#pragma once
#include <cstdint>
#include <span>

namespace vorpex::protocol {

inline constexpr int32_t kRouteUnknown = 0;
inline constexpr int32_t kRouteUnsupported = 1;
inline constexpr int32_t kRouteFixedNames = 98;         // Windows 98 and Me
inline constexpr int32_t kRouteInterfaceClass = 2000;   // the NT family from NT 4.0 on

// The route for a system version; `current` stays for a platform id nobody knows.
int32_t RouteForVersion(uint32_t platformId, uint32_t major, uint32_t minor, int32_t current);

// The number that picks the write pipe: the descriptor set's total length on the
// interface-class route, the first interface's endpoint count on the fixed-name route. Bytes
// beyond the buffer count as 0.
uint32_t PipeSelector(std::span<const uint8_t> configuration, int32_t route);

// "PIPE01" below the threshold, "PIPE00" from it on.
inline constexpr uint32_t kInterfaceRouteThreshold = 40;
inline constexpr uint32_t kFixedRouteThreshold = 18;
const char* WritePipeName(uint32_t selector, int32_t route);

}  // namespace vorpex::protocol
