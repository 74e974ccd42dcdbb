// The system's own clock, one implementation per build.
#pragma once
#include "platform/clock.h"

namespace vorpex::platform::real {

void SleepMs(uint32_t ms);
uint32_t TickCount();
LocalTime CurrentLocalTime();

}  // namespace vorpex::platform::real
