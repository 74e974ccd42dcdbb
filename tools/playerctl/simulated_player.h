// Which simulated player stands in for the real one: the one of --simulate DIR, else the one
// VORPEX_SIMULATOR names. A player that cannot be used is told once, as every other message.
#pragma once
#include <optional>
#include <string>

namespace vorpex::playerctl {

// Attaches the simulated player asked for, if any. False after telling why it cannot be used;
// the caller then ends with a failure.
bool SelectSimulatedPlayer(const std::optional<std::string>& simulateFolder);

}  // namespace vorpex::playerctl
