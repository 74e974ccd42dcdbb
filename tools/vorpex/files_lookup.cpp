// Directories read through a route, and the ENTRY words of the command line found in them.
#include <map>

#include "tools/vorpex/files_route.h"
#include "tools/vorpex/library_error.h"

namespace vorpex::cli {

std::unique_ptr<FileRoute> OpenFileRoute(RouteChoice choice, TerminalUi& ui) {
  if (choice != RouteChoice::kDevice) {
    if (auto chip = OpenChipRoute()) return chip;
    if (choice == RouteChoice::kChip) return nullptr;
  }
  return OpenDeviceRoute(ui);
}

std::optional<MemoryListing> ReadOrReport(FileRoute& route, int32_t memory, TerminalUi& ui) {
  auto listing = route.Read(memory);
  if (!listing) {
    ReportLibraryError(
        std::string("the directory of memory ") + MemoryLetter(memory) + " cannot be read",
        ReadLibraryError(ui));
  }
  return listing;
}

std::optional<std::vector<PlayerFile>> ResolveEntries(const std::vector<std::string>& words,
                                                      FileRoute& route, TerminalUi& ui) {
  std::map<int32_t, MemoryListing> listings;
  std::vector<PlayerFile> files;
  for (const std::string& word : words) {
    auto entry = ParseEntryWord(word);
    if (!entry) {
      ReportError("\"" + word + "\" names no file on the player (M:3 or M:NAME.EXT)");
      return std::nullopt;
    }
    if (!listings.count(entry->memory)) {
      auto listing = ReadOrReport(route, entry->memory, ui);
      if (!listing) return std::nullopt;
      listings.emplace(entry->memory, std::move(*listing));
    }
    auto found = ResolveEntry(listings.at(entry->memory), *entry, word);
    if (auto* reason = std::get_if<std::string>(&found)) {
      ReportError(*reason);
      return std::nullopt;
    }
    files.push_back(std::get<PlayerFile>(found));
  }
  return files;
}

}  // namespace vorpex::cli
