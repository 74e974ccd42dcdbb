#include "protocol/device_route.h"

#include "protocol/vizu10_names.h"

namespace vorpex::protocol {

int32_t RouteForVersion(uint32_t platformId, uint32_t major, uint32_t minor, int32_t current) {
  switch (platformId) {
    case 0: return kRouteUnsupported;  // Win32s
    case 1: return (major < 4 || minor == 0) ? kRouteUnsupported : kRouteFixedNames;  // 95 is out
    case 2: return major < 4 ? kRouteUnsupported : kRouteInterfaceClass;
    default: return current;
  }
}

uint32_t PipeSelector(std::span<const uint8_t> configuration, int32_t route) {
  auto at = [&](size_t i) -> uint32_t { return i < configuration.size() ? configuration[i] : 0; };
  if (route == kRouteInterfaceClass) return at(2) | at(3) << 8;
  return at(static_cast<size_t>(at(0)) + 4);
}

const char* WritePipeName(uint32_t selector, int32_t route) {
  uint32_t threshold = route == kRouteInterfaceClass ? kInterfaceRouteThreshold : kFixedRouteThreshold;
  return selector < threshold ? kVizu10Pipe01 : kVizu10Pipe00;
}

}  // namespace vorpex::protocol
