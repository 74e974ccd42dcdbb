// What the terminal shows of a progress window, as text: pure functions, no output.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vorpex::cli {

// How far `position` is through the range, 0 to 100 (0 for an empty or reversed range).
uint32_t PercentDone(uint32_t low, uint32_t high, uint32_t position);

// The time still needed when `done` of `total` units took `seconds`; nullopt until something
// was done.
std::optional<uint32_t> SecondsLeft(uint64_t done, uint64_t total, double seconds);

// "3.1 / 8.0 MB", "4.0 / 8.0 KB": both in the unit of the total.
std::string BytesText(uint64_t done, uint64_t total);
// "8.0 MB": the total alone.
std::string BytesText(uint64_t total);

// The progress window's words for a pace of bytes per second: its bytes per millisecond as
// protocol::SpeedText writes them ("870 KB/s", "3.17 MB/s"); empty for none.
std::string RateText(double bytesPerSecond);

// "0:07", "12:34", "1:02:03".
std::string ClockText(uint32_t seconds);

// One moment of a transfer as the bar line shows it.
struct BarState {
  uint32_t percent = 0;
  uint64_t done = 0;
  uint64_t total = 0;
  double bytesPerSecond = 0;             // 0: not known yet
  std::optional<uint32_t> secondsLeft;   // while running
  std::optional<uint32_t> secondsInAll;  // at the end, instead of the time left
};

// "[#####-----]  50 %  4.0 / 8.0 MB  3.10 MB/s  0:03 left" in at most `width` characters, or at
// the end "[##########]  100 %  8.0 MB  3.10 MB/s  0:09 in all". The bar takes what the figures
// leave; when it would be shorter than eight, the speed goes first, then the time left (at the
// end: the bytes), then the rest but the percent.
std::string BarLine(const BarState& state, size_t width);

// `text` cut to `width` characters, the middle given up for "..." so that both ends stay.
std::string FitText(const std::string& text, size_t width);

}  // namespace vorpex::cli
