// The file commands: what is on the player, copies both ways, deleting, renaming, formatting.
// Each works on an opened player and returns the program's exit status.
#pragma once
#include "tools/vorpex/arguments.h"
#include "tools/vorpex/files_route.h"
#include "tools/vorpex/terminal_ui.h"

namespace vorpex::cli {

// Attaches the simulated player asked for, if any, with the slowness and faults of --sim-slow and
// --sim-fault armed; false after telling why it cannot.
bool SelectPlayerWithFaults(const Options& options);

// Runs the file command of `options`: opens the route to the player, then the command.
int RunFilesCommand(const Options& options);

int RunList(const Options& options, FileRoute& route, TerminalUi& ui);
int RunFree(const Options& options, FileRoute& route, TerminalUi& ui);
int RunPut(const Options& options, FileRoute& route, TerminalUi& ui);
int RunGet(const Options& options, FileRoute& route, TerminalUi& ui);
int RunRemove(const Options& options, FileRoute& route, TerminalUi& ui);
int RunMove(const Options& options, FileRoute& route, TerminalUi& ui);
int RunFormat(const Options& options, FileRoute& route, TerminalUi& ui);

}  // namespace vorpex::cli
