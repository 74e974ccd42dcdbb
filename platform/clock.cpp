// The virtual clock, shared by both builds; the real clock is in posix/ and win32/.
#include "platform/clock.h"

#include "platform/clock_real.h"

namespace vorpex::platform {
namespace {

struct VirtualClock {
  bool active = false;
  uint32_t startTick = 0;
  uint64_t elapsedMs = 0;
  LocalTime start{};
};

VirtualClock& Virtual() {
  static VirtualClock clock;
  return clock;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

LocalTime AddMs(LocalTime t, uint64_t ms) {
  uint64_t total = t.milliseconds + ms;
  t.milliseconds = static_cast<uint16_t>(total % 1000);
  total = total / 1000 + t.second;
  t.second = static_cast<uint16_t>(total % 60);
  total = total / 60 + t.minute;
  t.minute = static_cast<uint16_t>(total % 60);
  total = total / 60 + t.hour;
  t.hour = static_cast<uint16_t>(total % 24);
  uint64_t days = total / 24;
  t.dayOfWeek = static_cast<uint16_t>((t.dayOfWeek + days) % 7);
  while (days > 0) {
    int left = DaysInMonth(t.year, t.month) - t.day;
    if (days <= static_cast<uint64_t>(left)) {
      t.day = static_cast<uint16_t>(t.day + days);
      break;
    }
    days -= static_cast<uint64_t>(left) + 1;
    t.day = 1;
    if (++t.month > 12) {
      t.month = 1;
      ++t.year;
    }
  }
  return t;
}

const ClockSource*& Delegate() {
  static const ClockSource* source = nullptr;
  return source;
}

}  // namespace

void DelegateClock(const ClockSource* source) { Delegate() = source; }

void SleepMs(uint32_t ms) {
  if (Delegate() != nullptr) return Delegate()->sleepMs(ms);
  OwnSleepMs(ms);
}

uint32_t TickCount() {
  if (Delegate() != nullptr) return Delegate()->tickCount();
  return OwnTickCount();
}

LocalTime CurrentLocalTime() {
  if (Delegate() != nullptr) {
    LocalTime time{};
    Delegate()->localTime(&time);
    return time;
  }
  return OwnLocalTime();
}

void OwnSleepMs(uint32_t ms) {
  if (Virtual().active) {
    Virtual().elapsedMs += ms;
    return;
  }
  real::SleepMs(ms);
}

uint32_t OwnTickCount() {
  const VirtualClock& v = Virtual();
  if (v.active) return v.startTick + static_cast<uint32_t>(v.elapsedMs);
  return real::TickCount();
}

LocalTime OwnLocalTime() {
  const VirtualClock& v = Virtual();
  if (v.active) return AddMs(v.start, v.elapsedMs);
  return real::CurrentLocalTime();
}

void UseVirtualClock(uint32_t startTick, const LocalTime& start) {
  Virtual() = VirtualClock{true, startTick, 0, start};
}

void UseRealClock() { Virtual().active = false; }
bool IsVirtualClock() { return Virtual().active; }
void AdvanceVirtualClock(uint32_t ms) { Virtual().elapsedMs += ms; }
uint64_t VirtualElapsedMs() { return Virtual().elapsedMs; }

}  // namespace vorpex::platform
