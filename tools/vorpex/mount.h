// vorpex mount DIR: the player as a folder (FUSE 3, Linux only), vorpex unmount DIR, and the
// lock record that keeps the other commands off a mounted player.
#pragma once
#include <optional>
#include <string>

#include "tools/vorpex/arguments.h"

namespace vorpex::cli {

int RunMount(const Options& given);
int RunUnmount(const Options& options);

// The folder the player that `options` talk to is mounted on, when a living mount holds it.
std::optional<std::string> MountedAt(const Options& options);

}  // namespace vorpex::cli
