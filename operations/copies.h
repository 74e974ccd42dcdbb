// Whole files copied between the PC and the player: from the player ("R", two OK replies, then
// the data) and to it ("W" header, one OK reply with the new entry, then the data). The data
// moves in chunks of the transfer buffer, never the whole file at once; the player is told to
// stop whenever a copy ends early, and a file received is kept only when complete.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "operations/player_channel.h"
#include "platform/file.h"

namespace vorpex::operations {

// Sends "R" for entry `index` and takes its two OK replies; false with the error recorded.
bool OpenUpload(PlayerChannel& channel, int32_t selector, int32_t index);

// Copies entry `index` (0 to 255) of `size` bytes into `destination`, which changes only when
// every byte has arrived. `status` is the progress display's status line. 1, or 0 with the error
// recorded (none for an index out of range).
int32_t CopyFromPlayer(PlayerChannel& channel, int32_t selector, int32_t index,
                       const std::string& destination, uint32_t size, const char* status);

struct Announced {
  platform::File file;
  uint32_t size;  // of the file, without the extra bytes announced
  std::string shortName;
  int32_t entry;  // the entry the player gives the file
};

// Sends the "W" header of `path` under its short name, announcing its size and `extra` bytes
// more: the open file once the player accepted it, else nullopt with the error recorded.
std::optional<Announced> AnnounceFile(PlayerChannel& channel, int32_t selector, const char* path,
                                      uint32_t extra);

// Copies `path` to the player under its short name: 1, or 0 with the error recorded.
int32_t CopyToPlayer(PlayerChannel& channel, int32_t selector, const char* path);

}  // namespace vorpex::operations
