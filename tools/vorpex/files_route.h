// The way to the player's files: the chip library's storage operations (dates, attributes and
// progress windows), or the device library's when only its driver answers.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vorpex/arguments.h"
#include "tools/vorpex/files_directory.h"
#include "tools/vorpex/terminal_ui.h"

namespace vorpex::cli {

class FileRoute {
 public:
  virtual ~FileRoute() = default;
  virtual std::string_view Name() const = 0;
  // Each returns false on failure with the reason in the chip library's error state.
  virtual std::optional<MemoryListing> Read(int32_t memory) = 0;
  virtual bool Delete(const PlayerFile& file) = 0;
  virtual bool CanRename() const = 0;
  virtual bool Rename(const PlayerFile& file, const std::string& newName) = 0;
  // Format kinds: 'F' plain, 'C' MP3, 'V' voice.
  virtual bool CanFormat(char kind) const = 0;
  virtual bool Format(int32_t memory, char kind) = 0;
  // Copies with a progress bar; Cancel (Ctrl-C) ends them in the middle.
  virtual bool Put(int32_t memory, const std::string& path) = 0;
  // Put under the stored name `storedName` (a short name the player can store and a PC file
  // name can hold) rather than the path's own short name: the file is given that name in a
  // private temporary folder (a hard link, else a copy) and put from there.
  bool PutAs(int32_t memory, const std::string& path, const std::string& storedName);
  virtual bool Get(const PlayerFile& file, const std::string& target,
                   const std::string& displayName) = 0;
};

// The routes themselves; nullptr when no player answers on it. The device library's copies
// show their progress on `ui` themselves.
std::unique_ptr<FileRoute> OpenChipRoute();
std::unique_ptr<FileRoute> OpenDeviceRoute(TerminalUi& ui);

// The route asked for, or with kAny the chip library's when it finds the player and else the
// device library's; nullptr when no player answers on it.
std::unique_ptr<FileRoute> OpenFileRoute(RouteChoice choice, TerminalUi& ui);

// The directory of `memory`; nullopt after telling on standard error why it cannot be read.
std::optional<MemoryListing> ReadOrReport(FileRoute& route, int32_t memory, TerminalUi& ui);

// The files that the ENTRY words name, each looked up in its memory's directory as it is now
// (read once per memory); nullopt after telling on standard error why one is not there.
std::optional<std::vector<PlayerFile>> ResolveEntries(const std::vector<std::string>& words,
                                                      FileRoute& route, TerminalUi& ui);

}  // namespace vorpex::cli
