#include "protocol/progress_text.h"

#include <cstdio>
#include <limits>

namespace vorpex::protocol {

std::optional<int32_t> ProgressPercent(uint32_t low, uint32_t high, uint32_t position) {
  if (low >= high || position <= low) return std::nullopt;
  uint64_t percent = uint64_t{position - low} * 100 / (high - low);
  constexpr uint64_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(percent < kMax ? percent : kMax);
}

std::string PercentText(int32_t percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%d %%", percent);
  return text;
}

std::optional<uint32_t> TransferRate(uint32_t position, uint32_t low, uint32_t startTick,
                                     uint32_t now) {
  if (now <= startTick) return std::nullopt;
  if (position < low) return 0u;
  return (position - low) / (now - startTick);
}

ScaledRate ScaleRate(uint32_t rate) {
  ScaledRate scaled{rate, 0, 0};
  if (scaled.whole > 1000) {
    do {
      scaled.fraction = (scaled.whole % 1024) * 100 / 1024;
      scaled.whole /= 1024;
      ++scaled.unit;
    } while (scaled.whole > 1000 && scaled.unit < kSpeedUnits.size() - 1);
  }
  return scaled;
}

std::string SpeedText(uint32_t rate) {
  if (rate == 0) return {};
  ScaledRate s = ScaleRate(rate);
  const char* unit = kSpeedUnits[s.unit];
  char text[64];
  if (s.fraction == 0) {
    std::snprintf(text, sizeof text, "%d %s", static_cast<int>(s.whole), unit);
  } else if (s.fraction < 10) {
    std::snprintf(text, sizeof text, "%d.0%d %s", static_cast<int>(s.whole),
                  static_cast<int>(s.fraction), unit);
  } else {
    std::snprintf(text, sizeof text, "%d.%d %s", static_cast<int>(s.whole),
                  static_cast<int>(s.fraction), unit);
  }
  return text;
}

std::string IndexText(int32_t index) {
  if (index < 0) return {};
  char text[32];
  std::snprintf(text, 31, "%d", index);
  return text;
}

}  // namespace vorpex::protocol
