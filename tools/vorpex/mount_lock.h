// The lock record of a mount: one per player (the real one, or a simulated player's folder), in
// $XDG_RUNTIME_DIR or else the temporary folder, holding the folder the player is mounted on.
#pragma once
#include <optional>
#include <string>

#include "tools/vorpex/arguments.h"

namespace vorpex::cli {

// The record's path for the player that `options` talk to; nullopt when no folder can hold it.
std::optional<std::string> MountLockPath(const Options& options);

}  // namespace vorpex::cli
