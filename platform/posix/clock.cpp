#include <time.h>

#include "platform/clock_real.h"

namespace vorpex::platform::real {

void SleepMs(uint32_t ms) {
  timespec want{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&want, &want) != 0) {
  }
}

uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

LocalTime CurrentLocalTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  return LocalTime{static_cast<uint16_t>(parts.tm_year + 1900),
                   static_cast<uint16_t>(parts.tm_mon + 1),
                   static_cast<uint16_t>(parts.tm_wday),
                   static_cast<uint16_t>(parts.tm_mday),
                   static_cast<uint16_t>(parts.tm_hour),
                   static_cast<uint16_t>(parts.tm_min),
                   static_cast<uint16_t>(parts.tm_sec),
                   static_cast<uint16_t>(now.tv_nsec / 1000000)};
}

}  // namespace vorpex::platform::real
