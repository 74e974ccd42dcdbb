#include "tools/vorpex/progress_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "protocol/progress_text.h"

namespace vorpex::cli {
namespace {

constexpr size_t kShortestBar = 8;

}  // namespace

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

std::string BytesText(uint64_t done, uint64_t total) {
  const bool mega = total >= static_cast<uint64_t>(1024) * 1024;
  const double unit = mega ? 1024.0 * 1024.0 : 1024.0;
  char text[64];
  std::snprintf(text, sizeof text, "%.1f / %.1f %s", static_cast<double>(done) / unit,
                static_cast<double>(total) / unit, mega ? "MB" : "KB");
  return text;
}

std::string BytesText(uint64_t total) {
  std::string text = BytesText(total, total);
  return text.substr(text.find("/ ") + 2);
}

std::string RateText(double bytesPerSecond) {
  if (!(bytesPerSecond > 0)) return {};
  return protocol::SpeedText(static_cast<uint32_t>(std::fmin(bytesPerSecond / 1000.0, UINT32_MAX)));
}

std::string ClockText(uint32_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
  }
  return text;
}

std::string BarLine(const BarState& state, size_t width) {
  // The figures after the bar in the order shown, each with the rank in which it is given up
  // when the bar would be too short (higher first).
  struct Figure {
    std::string text;
    int rank;
  };
  std::vector<Figure> figures;
  figures.push_back({protocol::PercentText(static_cast<int32_t>(state.percent)), 0});
  const bool ended = state.secondsInAll.has_value();
  if (state.total > 0) {
    // At the end the total alone says it.
    figures.push_back({ended && state.done == state.total ? BytesText(state.total)
                                                          : BytesText(state.done, state.total),
                       ended ? 2 : 1});
  }
  if (std::string rate = RateText(state.bytesPerSecond); !rate.empty()) {
    figures.push_back({rate, 3});
  }
  if (ended) {
    figures.push_back({ClockText(*state.secondsInAll) + " in all", 1});
  } else if (state.secondsLeft) {
    figures.push_back({ClockText(*state.secondsLeft) + " left", 2});
  }
  auto compose = [&](int keep, size_t barWidth) {
    const size_t filled = barWidth * std::min<uint32_t>(state.percent, 100) / 100;
    std::string line(1, '[');
    line.append(filled, '#');
    line.append(barWidth - filled, '-');
    line.push_back(']');
    for (const Figure& figure : figures) {
      if (figure.rank > keep) continue;
      line.append("  ");
      line.append(figure.text);
    }
    return line;
  };
  for (int keep = 3; keep >= 0; --keep) {
    const size_t fixed = compose(keep, 0).size();
    if (fixed + kShortestBar <= width) return compose(keep, width - fixed);
  }
  const size_t fixed = compose(0, 0).size();
  return FitText(compose(0, width > fixed ? width - fixed : 0), width);
}

std::string FitText(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  if (width <= 3) return text.substr(0, width);
  const size_t keep = width - 3;
  const size_t tail = keep / 2;
  std::string fitted(text, 0, keep - tail);
  fitted.append("...");
  fitted.append(text, text.size() - tail, tail);
  return fitted;
}

}  // namespace vorpex::cli
