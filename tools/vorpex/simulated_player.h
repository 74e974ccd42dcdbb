// Which simulated player stands in for the real one: the one of --simulate DIR, else the one
// VORPEX_SIMULATOR names. A player that cannot be used is told once, as every other message.
#pragma once
#include <optional>
#include <string>

namespace vorpex::cli {

// Attaches the simulated player asked for, if any. False after telling why it cannot be used;
// the caller then ends with a failure.
// A player named by VORPEX_SIMULATOR alone is told on standard error at every run, since the
// variable is easily left set in a shell.
bool SelectSimulatedPlayer(const std::optional<std::string>& simulateFolder);

// Whether the libraries talk to a simulated player, as selected above.
bool SimulatedPlayerSelected();

}  // namespace vorpex::cli
