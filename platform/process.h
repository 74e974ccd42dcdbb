// The running program: the folder it was started from and its environment.
#pragma once
#include <optional>
#include <string>

namespace vorpex::platform {

// The separator between the parts of a path: "\" on Windows, "/" elsewhere.
char PathSeparator();

// The folder that holds the running program, without a trailing separator.
std::optional<std::string> ProgramFolder();


}  // namespace vorpex::platform
