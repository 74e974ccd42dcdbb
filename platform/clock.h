// Sleep, tick count and local time. A virtual mode lets tests (and the simulated player) run
// long pauses and time-outs without waiting: time then moves only when someone sleeps or
// advances it.
#pragma once
#include <cstdint>

namespace vorpex::platform {

struct LocalTime {
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

void SleepMs(uint32_t ms);
uint32_t TickCount();
LocalTime CurrentLocalTime();

// Virtual time: ticks start at `startTick`, SleepMs returns at once and moves the ticks on,
// and the local time is the fixed moment given plus the virtual time passed.
void UseVirtualClock(uint32_t startTick, const LocalTime& start);
void UseRealClock();
bool IsVirtualClock();
void AdvanceVirtualClock(uint32_t ms);
// The total of all virtual sleeps and advances since UseVirtualClock.
uint64_t VirtualElapsedMs();

// A module that must keep time with another (the device library with the chip library, which
// owns the virtual clock) hands its clock calls to that module's clock.
struct ClockSource {
  void (*sleepMs)(uint32_t ms);
  uint32_t (*tickCount)();
  void (*localTime)(LocalTime* time);
};
void DelegateClock(const ClockSource* source);  // null: this module's own clock again
// This module's own clock (virtual or real) whatever it delegates to: what a source that
// cannot answer yet falls back on.
void OwnSleepMs(uint32_t ms);
uint32_t OwnTickCount();
LocalTime OwnLocalTime();

}  // namespace vorpex::platform
