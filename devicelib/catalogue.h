// What an area holds, as a caller lists it: the counts reload the area's cache, the listings
// read entry `index` of it as the last reload left it.
#pragma once
#include <cstdint>
#include <optional>

namespace vorpex::device {

// The replace a count sends after its reload (index and second byte).
struct ReplaceAfterCount {
  int32_t index;
  int32_t second;
};

// Makes `device` the session value, reloads the area and returns word `word` of its figures
// (0 files, 1 always 0); 0 for another area or without a session value.
uint32_t CountFiles(int32_t device, int32_t area, size_t word,
                    std::optional<ReplaceAfterCount> replace = std::nullopt);

int32_t ListFileName(int32_t area, int32_t index, char* name);
// The extension text inside the cache, after showing it in a message box; null for an area or
// index that names no cache slot.
const char* ListFileNameExt(int32_t area, int32_t index, char* ext);
uint32_t ListFileSize(int32_t area, int32_t index);

}  // namespace vorpex::device
