#include <windows.h>

#include "platform/clock_real.h"

namespace vorpex::platform::real {

void SleepMs(uint32_t ms) { ::Sleep(ms); }
uint32_t TickCount() { return ::GetTickCount(); }

LocalTime CurrentLocalTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                   now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

}  // namespace vorpex::platform::real
