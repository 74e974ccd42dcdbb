// The player's two memory areas as the device library sees them: the cached directory and size
// figures of each, and the commands that read, measure or change an area.
#pragma once
#include <cstdint>

#include "devicelib/state.h"

namespace vorpex::device {

inline bool IsArea(int32_t area) {
  return area == 0 || area == 1;
}
inline bool IsEntryIndex(int32_t index) {
  return index >= 0 && index <= 255;
}
// The cache of a valid area.
inline AreaCache& Cache(int32_t area) {
  return GetState().areas[static_cast<size_t>(area)];
}

// The directory read into the caller's buffers: `info` five words, `entries` 32-byte records
// up to `*count` of them; `count` receives the files found. 1 when read, 0 when not.
int32_t Refresh(int32_t area, uint32_t* info, uint8_t* entries, uint32_t* count);
// Reloads the area's cache: 1 when read and the area has a capacity; else clears the figures,
// records 4 (not read) or 12 (no capacity) and returns 0.
int32_t RefreshArea(int32_t area);

uint32_t TotalMemory(int32_t area);
uint32_t FreeMemory(int32_t area);
// `command` is the format's code: plain, voice or MP3. 0 when formatted, else the error.
int32_t Format(int32_t area, uint8_t command);
int32_t Delete(int32_t area, int32_t index);
int32_t Replace(int32_t area, int32_t index, int32_t second);

}  // namespace vorpex::device
