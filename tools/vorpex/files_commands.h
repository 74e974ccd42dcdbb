// The file commands: what is on the player, copies both ways, deleting, renaming, formatting.
// Each works on an opened player and returns the program's exit status.
#pragma once
#include <optional>
#include <span>
#include <string_view>

#include "tools/vorpex/files_arguments.h"
#include "tools/vorpex/files_route.h"
#include "tools/vorpex/terminal_ui.h"

namespace vorpex::cli {

// Runs the file command that `args` name (FindFilesCommand), from its command line on.
int RunFilesCommand(std::span<const std::string_view> args);

// format without --yes: asks on a terminal. The exit status when the answer is no or there is
// no terminal to ask on; nullopt to go on.
std::optional<int> ConfirmFormat(const FilesOptions& options);

int RunList(const FilesOptions& options, FileRoute& route, TerminalUi& ui);
int RunFree(const FilesOptions& options, FileRoute& route, TerminalUi& ui);
int RunPut(const FilesOptions& options, FileRoute& route, TerminalUi& ui);
int RunGet(const FilesOptions& options, FileRoute& route, TerminalUi& ui);
int RunRemove(const FilesOptions& options, FileRoute& route, TerminalUi& ui);
int RunMove(const FilesOptions& options, FileRoute& route, TerminalUi& ui);
int RunFormat(const FilesOptions& options, FileRoute& route, TerminalUi& ui);

}  // namespace vorpex::cli
