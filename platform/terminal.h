// Whether the program's standard output or error goes to a terminal (a console on Windows).
#pragma once

namespace vorpex::platform {

enum class StandardStream { kInput, kOutput, kError };

bool IsTerminal(StandardStream stream);

}  // namespace vorpex::platform
