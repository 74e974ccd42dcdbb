#include "chiplib/state.h"

#include "chiplib/driver_select.h"
#include "platform/clock.h"

namespace vorpex::chip {

State& GetState() {
  static State state;
  static const bool clockSet = [] {
    platform::DelegateClock(&kSimulatorClock);
    return true;
  }();
  (void)clockSet;
  return state;
}

}  // namespace vorpex::chip
