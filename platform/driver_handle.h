// A handle that a driver port gives out: a HANDLE on Windows, a simulated player's own number
// elsewhere. One type for both drivers.
#pragma once
#include <cstdint>

namespace vorpex::platform {

using DriverHandle = intptr_t;
inline constexpr DriverHandle kInvalidDriverHandle = -1;  // INVALID_HANDLE_VALUE
inline constexpr DriverHandle kNullDriverHandle = 0;

}  // namespace vorpex::platform
