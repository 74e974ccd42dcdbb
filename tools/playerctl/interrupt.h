// Ctrl-C while playerctl copies: the first one is taken as the Cancel button of the copy's
// progress window, so the copy ends the way a cancelled one does; the program then exits 130.
#pragma once

namespace vorpex::playerctl {

inline constexpr int kExitInterrupted = 130;

// From now on Ctrl-C (SIGINT) is recorded instead of ending the program.
void CatchInterrupt();
// Whether Ctrl-C was pressed since CatchInterrupt.
bool Interrupted();

}  // namespace vorpex::playerctl
