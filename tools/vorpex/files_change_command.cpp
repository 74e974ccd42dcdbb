// rm, mv and format: the commands that change what is on the player.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "platform/short_name.h"
#include "platform/terminal.h"
#include "tools/vorpex/commands.h"
#include "tools/vorpex/files_commands.h"
#include "tools/vorpex/files_directory.h"
#include "tools/vorpex/files_names.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {
namespace {

// format without --yes: asks on a terminal. The exit status when the answer is no or there is
// no terminal to ask on; nullopt to go on.
std::optional<int> ConfirmFormat(const Options& options) {
  if (options.yes) return std::nullopt;
  const char letter = MemoryLetter(options.memories.at(0));
  if (!platform::IsTerminal(platform::StandardStream::kInput)) {
    ReportError(std::string("format erases every file of memory ") + letter +
                "; without a terminal to ask on, --yes is needed");
    return kExitUsage;
  }
  std::printf("Erase all files in memory %c? [y/N] ", letter);
  std::fflush(stdout);
  char answer[16] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr ||
      (answer[0] != 'y' && answer[0] != 'Y')) {
    std::printf("Nothing was erased.\n");
    return kExitFailed;
  }
  return std::nullopt;
}

}  // namespace

int RunRemove(const Options& options, FileRoute& route, TerminalUi& ui) {
  auto files = ResolveEntries(options.operands, route, ui);
  if (!files) return kExitFailed;
  // Deleting an entry moves those after it down by one: the last ones go first.
  std::sort(files->begin(), files->end(), [](const PlayerFile& a, const PlayerFile& b) {
    return a.memory != b.memory ? a.memory < b.memory : a.index > b.index;
  });
  files->erase(std::unique(files->begin(), files->end(),
                           [](const PlayerFile& a, const PlayerFile& b) {
                             return a.memory == b.memory && a.index == b.index;
                           }),
               files->end());
  for (const PlayerFile& file : *files) {
    VORPEX_SetError(VORPEX_OK);
    if (!route.Delete(file)) {
      ReportLibraryError(std::string(1, MemoryLetter(file.memory)) + ":" + ShownName(file.name) +
                             " could not be deleted",
                         ReadLibraryError(ui));
      return kExitFailed;
    }
  }
  return kExitOk;
}

int RunMove(const Options& options, FileRoute& route, TerminalUi& ui) {
  if (!route.CanRename()) {
    ReportError("the " + std::string(route.Name()) +
                " library's route cannot rename files; --route chip can");
    return kExitFailed;
  }
  auto files = ResolveEntries({options.operands[0]}, route, ui);
  if (!files) return kExitFailed;
  const PlayerFile& file = files->front();
  const std::string& newName = options.operands[1];
  // A name, not a path: what a PC name cannot hold would make a file that no copy can fetch
  // ("M:1" is not entry 1).
  if (newName.empty() || !std::all_of(newName.begin(), newName.end(), IsPcNameChar)) {
    // Built by appending: g++ 12's optimiser takes "\"" + text for an overlapping copy.
    std::string message = "\"";
    message += ShownName(newName);
    message += "\" is no name the player can store: no / \\ : * ? \" < > | or control characters";
    ReportError(message);
    return kExitFailed;
  }
  auto shortName = platform::ShortNameOfPath(newName);
  if (!shortName) {
    ReportError(newName + " gives no name the player can store (an 8.3 name needs a base name)");
    return kExitFailed;
  }
  auto listing = route.Read(file.memory);
  if (listing) {
    for (const PlayerFile& other : listing->files) {
      if (other.index != file.index && SameName(other.name, *shortName)) {
        ReportError(std::string("memory ") + MemoryLetter(file.memory) + " already holds " +
                    ShownName(other.name) + " (entry " + std::to_string(other.index) + ")");
        return kExitFailed;
      }
    }
  }
  VORPEX_SetError(VORPEX_OK);
  if (!route.Rename(file, newName)) {
    ReportLibraryError(std::string(1, MemoryLetter(file.memory)) + ":" + ShownName(file.name) +
                           " could not be renamed",
                       ReadLibraryError(ui));
    return kExitFailed;
  }
  if (!options.quiet) {
    std::printf("%c:%s -> %s\n", MemoryLetter(file.memory), ShownName(file.name).c_str(),
                ListedName(*shortName).c_str());
  }
  return kExitOk;
}

int RunFormat(const Options& options, FileRoute& route, TerminalUi& ui) {
  const int32_t memory = options.memories.at(0);
  if (!route.CanFormat(options.formatKind)) {
    ReportError("the " + std::string(route.Name()) +
                " library's route formats plain only; --route device has the other kinds");
    return kExitFailed;
  }
  // Asked only now that the player answers and can format that kind.
  if (auto status = ConfirmFormat(options)) return *status;
  VORPEX_SetError(VORPEX_OK);
  if (!route.Format(memory, options.formatKind)) {
    ReportLibraryError(std::string("memory ") + MemoryLetter(memory) + " was not formatted",
                       ReadLibraryError(ui));
    return kExitFailed;
  }
  if (!options.quiet) std::printf("Memory %c is empty.\n", MemoryLetter(memory));
  return kExitOk;
}

}  // namespace vorpex::cli
