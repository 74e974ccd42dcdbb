// Which files sync takes by default: music the player can play, told by its contents.
#pragma once
#include <string>

namespace vorpex::cli {

// True when `path` holds MPEG audio of Layer II or III; false for anything else or a file that
// does not read.
bool IsPlayableMusic(const std::string& path);

}  // namespace vorpex::cli
