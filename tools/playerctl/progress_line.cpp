#include "tools/playerctl/progress_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "protocol/progress_text.h"

namespace vorpex::playerctl {

uint32_t PercentDone(uint32_t low, uint32_t high, uint32_t position) {
  // The library's own percent, with the bar full past the top.
  return static_cast<uint32_t>(
      std::min(protocol::ProgressPercent(low, high, position).value_or(0), 100));
}

std::optional<uint32_t> SecondsLeft(uint64_t done, uint64_t total, double seconds) {
  if (done == 0 || done > total || seconds < 0) return std::nullopt;
  const double left = seconds * static_cast<double>(total - done) / static_cast<double>(done);
  return static_cast<uint32_t>(std::lround(std::fmin(left, 359999.0)));
}

std::string ProgressLine(const ProgressState& state, size_t barWidth) {
  const uint32_t percent = PercentDone(state.low, state.high, state.position);
  const size_t filled = barWidth * percent / 100;
  std::string line = state.title;
  line += " [" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]";
  if (!state.percentText.empty()) line += " " + state.percentText;
  if (!state.speedText.empty()) line += "  " + state.speedText;
  if (state.secondsLeft) {
    char left[32];
    std::snprintf(left, sizeof left, "  %u:%02u left", *state.secondsLeft / 60,
                  *state.secondsLeft % 60);
    line += left;
  }
  return line;
}

}  // namespace vorpex::playerctl
