// Which drivers the libraries talk to: the simulated player's when one is asked for (attached
// by a program through the simulated player's library, or named by the environment variable),
// none when one was asked for and cannot be used, else the system's. The simulated player's
// library is loaded only when one is asked for; its two faces reach this library as C tables
// (sim/connection.h) and are wrapped into the same ports as the system's drivers.
#pragma once
#include <string>

#include "platform/clock.h"
#include "platform/vizu10.h"
#include "platform/windriver.h"

namespace vorpex::chip {

enum class DriverChoice {
  kSystem,     // no simulated player asked for
  kSimulated,  // the attached simulated player
  kNone,       // a simulated player was asked for and cannot be used: no driver
};
// Reads the environment variable on the first call, and loads the simulated player's library
// when it names a player.
DriverChoice ChosenDriver();

// The chip library's clock: the simulated player's library's once that is in the process
// (virtual while PlayerSim_UseVirtualTime is on), this library's own before.
extern const platform::ClockSource kSimulatorClock;

// The ports of the chosen driver; with no driver, ports on which nothing opens.
platform::WinDriverPort& ActiveWinDriver();
platform::Vizu10Port& ActiveVizu10();

}  // namespace vorpex::chip
