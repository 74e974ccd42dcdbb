// What a progress window shows, as one line of text: pure functions, no output.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vorpex::playerctl {

struct ProgressState {
  std::string title;
  std::string status;
  std::string percentText;  // as the library words it: "37 %"
  std::string speedText;    // "1.50 MB/s", or empty
  uint32_t low = 0;
  uint32_t high = 0;
  uint32_t position = 0;
  std::optional<uint32_t> secondsLeft;
};

// How far the position is through the range, 0 to 100 (0 for an empty or reversed range).
uint32_t PercentDone(uint32_t low, uint32_t high, uint32_t position);

// The time still needed when `done` of `total` units took `seconds`; nullopt until something
// was done.
std::optional<uint32_t> SecondsLeft(uint64_t done, uint64_t total, double seconds);

// "Codec Upgrade [##########----------]  50 %  1.50 MB/s  0:03 left", the bar `barWidth`
// characters wide; parts the window does not show yet are left out.
std::string ProgressLine(const ProgressState& state, size_t barWidth);

}  // namespace vorpex::playerctl
