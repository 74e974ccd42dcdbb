// Which drivers the libraries talk to: the simulated player's when one is attached (or
// VORPEX_SIMULATOR names one), none when one was asked for and cannot be used, else the
// system's.
#pragma once
#include <string>

#include "platform/windriver.h"

namespace vorpex::sim {
class Player;
class SimVizu10;
struct PlayerSettings;
}  // namespace vorpex::sim

namespace vorpex::chip {

enum class DriverChoice {
  kSystem,     // no simulated player asked for
  kSimulated,  // the attached simulated player
  kNone,       // a simulated player was asked for and cannot be used: no driver
};
// Reads VORPEX_SIMULATOR on the first call.
DriverChoice ChosenDriver();

platform::WinDriverPort& ActiveWinDriver();

// The simulated player in use, or nullptr. Reads VORPEX_SIMULATOR on the first call.
sim::Player* ActivePlayer();

// The simulated player's face as the Vizu10 driver, or nullptr when none is in use.
sim::SimVizu10* ActiveVizu10();

// Attaches the player kept in `dir` (a fresh default player when there is none yet),
// replacing any attached before. False, with the reason in the simulator's message, when the
// state directory cannot be used; the libraries then have no driver until the next attach or
// detach.
bool AttachSimulator(const std::string& dir);
// Back to the system's driver; forgets a failed attach.
void DetachSimulator();
// Creates a fresh player in `dir`; false with the reason in the simulator's message. Which
// driver is chosen does not change.
bool CreateSimulatorStateDir(const std::string& dir, const sim::PlayerSettings& settings);

}  // namespace vorpex::chip
