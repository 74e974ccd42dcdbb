// A memory's directory as vorpex works with it: read through the chip library, its names
// without the blank padding, and the ENTRY words of the command line resolved against it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "VORPEXUSB.h"

namespace vorpex::cli {

struct PlayerFile {
  int32_t memory = 0;  // 0 M, 1 S
  int32_t index = 0;   // as the directory read counts files
  std::string name;    // NAME.EXT (NAME when there is no extension)
  uint32_t size = 0;
  uint16_t date = 0;  // MS-DOS packed
  uint16_t time = 0;
  uint32_t attributes = 0;
};

struct MemoryListing {
  int32_t memory = 0;
  uint64_t capacityBytes = 0;
  uint64_t usedBytes = 0;
  std::vector<PlayerFile> files;
};

// The letter of a memory: 'M' or 'S'.
char MemoryLetter(int32_t memory);

// Entry numbers run from 0 to 255; a few records more show that there are more files.
inline constexpr uint32_t kListCapacity = 512;

// The listing of a directory read: its five memory words and `count` records (at most
// kListCapacity of them are taken).
MemoryListing MakeListing(int32_t memory, const MemoryInfo& info, const DirEntry* entries,
                          uint32_t count);

// The name the player lists for a short name: blanks at the end of the base name and of the
// extension dropped, no dot without an extension ("Gr  .txt" is "Gr.txt", "NAME." is "NAME").
std::string ListedName(std::string_view shortName);

// Whether two player names are the same, as the player's FAT names compare (ASCII case
// ignored).
bool SameName(std::string_view a, std::string_view b);

// An ENTRY word: memory and entry number, or memory and name.
struct EntryWord {
  int32_t memory = 0;
  std::optional<int32_t> index;
  std::string name;
};
// "M:3", "s:NAME.EXT", "NAME.EXT" (memory M), "3" (M:3); nullopt for an empty name.
std::optional<EntryWord> ParseEntryWord(std::string_view word);

// The file that `word` names in `listing`, or the reason it names none.
std::variant<PlayerFile, std::string> ResolveEntry(const MemoryListing& listing,
                                                   const EntryWord& word,
                                                   std::string_view original);

// "2005-03-07 14:30" from MS-DOS packed date and time.
std::string DateTimeText(uint16_t date, uint16_t time);
// "2005-03-07T14:30:58", for JSON.
std::string IsoDateTime(uint16_t date, uint16_t time);
// "0 B", "512 B", "16.0K", "3.2M", "1.5G": bytes in binary units, one decimal from K on.
std::string ReadableSize(uint64_t bytes);

}  // namespace vorpex::cli
