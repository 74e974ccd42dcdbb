// Which simulated player stands in for the real one: the one of --simulate DIR, else the one
// VORPEX_SIMULATOR names. A player that cannot be used is told once, as every other message.
// The simulated player's library is loaded only here, when one is asked for: a run on a real
// player never maps it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "playersim.h"

namespace vorpex::cli {

// The entry points of the simulated player's library this program uses.
struct SimulatorLibrary {
  void(VORPEX_CC* defaultSettings)(PlayerSimSettings* settings);
  int32_t(VORPEX_CC* createStateDir)(const char* dir, const PlayerSimSettings* settings);
  int32_t(VORPEX_CC* attach)(const char* dir);
  int32_t(VORPEX_CC* isAttached)();
  uint32_t(VORPEX_CC* getMessage)(char* buffer, uint32_t size);
  int32_t(VORPEX_CC* setFault)(int32_t fault, uint32_t value);
  int32_t(VORPEX_CC* aimFault)(int32_t fault, int32_t target, uint32_t count, uint8_t letter,
                               uint8_t code);
  // Why the last attach or creation failed.
  std::string Message() const;
};

// The simulated player's library, loaded once (beside the program first, then by the system's
// search) and kept for the rest of the run; nullptr with the reason in `error` when it cannot
// be loaded or lacks an entry point.
const SimulatorLibrary* LoadSimulatorLibrary(std::string& error);

// Attaches the simulated player asked for, if any. False after telling why it cannot be used;
// the caller then ends with a failure.
// A player named by VORPEX_SIMULATOR alone is told on standard error at every run, since the
// variable is easily left set in a shell.
bool SelectSimulatedPlayer(const std::optional<std::string>& simulateFolder);

// The simulated player's library when SelectSimulatedPlayer attached a player, else nullptr.
const SimulatorLibrary* SelectedSimulator();

// Whether the libraries talk to a simulated player, as selected above.
bool SimulatedPlayerSelected();

}  // namespace vorpex::cli
