// The running program: the folder it was started from and its environment.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

// The separator between the parts of a path: "\" on Windows, "/" elsewhere.
char PathSeparator();

// The folder that holds the running program, without a trailing separator.
std::optional<std::string> ProgramFolder();

// Whether a program of this system keeps what it reads beside itself (Windows), rather than in
// the system's shared folders, where an installed program's own folder holds nothing else
// (Linux).
bool DataBesideProgram();

// The folder where this user's programs keep their state, without a trailing separator:
// $XDG_STATE_HOME, else $HOME/.local/state on Linux; %LOCALAPPDATA% on Windows. nullopt when
// the environment names none.
std::optional<std::string> UserStateFolder();

}  // namespace vorpex::platform
