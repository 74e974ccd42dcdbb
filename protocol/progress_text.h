// What a progress window shows: the whole percent of a position within a range, the transfer
// speed in bytes per millisecond scaled to KB/s, MB/s or GB/s, and the index label.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vorpex::protocol {

inline constexpr std::array<const char*, 3> kSpeedUnits = {"KB/s", "MB/s", "GB/s"};

// The whole percent of `position` between `low` and `high`, or nullopt when the range is
// empty or the position is not above its low end. Positions beyond the top give more than
// 100 (capped at INT32_MAX so the figure never turns negative).
std::optional<int32_t> ProgressPercent(uint32_t low, uint32_t high, uint32_t position);

// "%d %%" of the percent: "37 %".
std::string PercentText(int32_t percent);

// Bytes per millisecond moved since `startTick`, or nullopt when no millisecond has passed
// (now is not after the start tick). A position below the range's low end moved nothing: 0.
std::optional<uint32_t> TransferRate(uint32_t position, uint32_t low, uint32_t startTick,
                                     uint32_t now);

// A rate scaled for display: rates above 1000 are divided by 1024 until they are no more than
// 1000 or the unit is GB/s; `fraction` is the hundredths of the last division (0 when none).
struct ScaledRate {
  uint32_t whole = 0;
  uint32_t fraction = 0;
  uint32_t unit = 0;  // index into kSpeedUnits
};
ScaledRate ScaleRate(uint32_t rate);

// "999 KB/s", "1.07 MB/s", "1.50 MB/s"; empty for a rate of 0, which shows nothing.
std::string SpeedText(uint32_t rate);

// "%d" of an entry index, or empty when the index is negative.
std::string IndexText(int32_t index);

}  // namespace vorpex::protocol
