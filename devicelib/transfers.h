// Files copied between the PC and a player area over the command channel: whole copies, and the
// opening steps after which the caller moves the data itself.
#pragma once
#include <cstdint>

#include "orvane_copy.h"

namespace vorpex::device {

// Announces `path` to the player, `extra` 1 announcing 512 bytes more than the file holds.
int32_t Download(int32_t area, const char* path, int32_t extra);
// Copies `path` to the player; `progress` (may be null) hears of each chunk and may cancel.
int32_t DownloadIndexFile(int32_t area, const char* path, OrvaneProgress progress = nullptr,
                          void* context = nullptr);
// Asks the player for entry `index` and creates `path`: the open file's handle, or 0.
intptr_t Upload(int32_t area, int32_t index, const char* path);
// Copies entry `index` of `size` bytes into `path`, which changes only when every byte arrived;
// `progress` (may be null) hears of each chunk and may cancel.
int32_t UploadIndexFile(int32_t area, int32_t index, const char* path, uint32_t size,
                        OrvaneProgress progress = nullptr, void* context = nullptr);

}  // namespace vorpex::device
