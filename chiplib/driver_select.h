// Which WinDriver the chip library talks to: the simulated player's when one is attached (or
// VORPEX_SIMULATOR names one), else the system's.
#pragma once
#include <string>

#include "platform/windriver.h"

namespace vorpex::sim {
class Player;
class SimVizu10;
}  // namespace vorpex::sim

namespace vorpex::chip {

platform::WinDriverPort& ActiveWinDriver();

// The simulated player in use, or nullptr. Reads VORPEX_SIMULATOR on the first call.
sim::Player* ActivePlayer();

// The simulated player's face as the Vizu10 driver, or nullptr when none is in use.
sim::SimVizu10* ActiveVizu10();

// Attaches the player kept in `dir` (a fresh default player when there is none yet),
// replacing any attached before. False, with the reason in the simulator's message, when the
// state directory cannot be used.
bool AttachSimulator(const std::string& dir);
// Back to the system's driver; forgets a failed attach.
void DetachSimulator();

}  // namespace vorpex::chip
