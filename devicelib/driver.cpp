#include "devicelib/driver.h"

#include "platform/vizu10_table.h"
#include "vorpex_shared.h"

namespace vorpex::device {

platform::Vizu10Port& Driver() {
  // The chip library decides at every call which driver answers (a simulated player's, the
  // system's, or none when a simulated player was asked for and cannot be used), so attaching
  // and detaching take effect at once; the process has one system driver, whose handle of a
  // real player both libraries share. A failing call leaves its system error in the chip
  // library; it is brought over, so that this library reads it as if it had made the call.
  static platform::TableVizu10 driver(*VorpexShared_Vizu10(), VorpexShared_LastSystemError);
  return driver;
}

}  // namespace vorpex::device
