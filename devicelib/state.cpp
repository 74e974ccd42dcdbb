#include "devicelib/state.h"

#include "platform/clock.h"
#include "vorpex_shared.h"

namespace vorpex::device {
namespace {

// The device library keeps the chip library's time, virtual or real.
void ChipLocalTime(platform::LocalTime* time) {
  VorpexLocalTime now{};
  VorpexShared_LocalTime(&now);
  *time = platform::LocalTime{now.year, now.month,  now.dayOfWeek, now.day,
                              now.hour, now.minute, now.second,    now.milliseconds};
}
uint32_t ChipTickCount() { return VorpexShared_TickCount(); }
void ChipSleep(uint32_t ms) { VorpexShared_Sleep(ms); }

constexpr platform::ClockSource kChipClock{&ChipSleep, &ChipTickCount, &ChipLocalTime};

}  // namespace

State& GetState() {
  static State state = [] {
    platform::DelegateClock(&kChipClock);
    return State{};
  }();
  return state;
}

}  // namespace vorpex::device
