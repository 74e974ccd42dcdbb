// The Vizu10 driver the device library uses, as a C table over whichever port this library
// chose: the simulated player's face, the system's driver, or none. The system's driver lives
// here rather than in the device library so that a process has one of it, and with it one
// handle and one claim of a real player, whichever library asks: both libraries link the
// platform code in, each its own copy.
#include "chiplib/driver_select.h"
#include "chiplib/error_state.h"
#include "operations/export_barrier.h"
#include "platform/error.h"
#include "platform/vizu10_table.h"
#include "vorpex_shared.h"

using namespace vorpex;

extern "C" {

const VorpexVizu10Ops* VORPEX_CC VorpexShared_Vizu10(void) {
  // The choice is made again at every call through the table, so attaching and detaching a
  // simulated player take effect at once.
  return &platform::Vizu10Table<chip::ActiveVizu10, chip::SetError>::kOps;
}

uint32_t VORPEX_CC VorpexShared_LastSystemError(void) {
  return platform::LastError();
}

}  // extern "C"
