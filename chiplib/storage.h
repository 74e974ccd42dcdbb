// The player's two memories: format, directory read, delete, rename and replace of entries, and
// the short name under which a PC file is stored.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "chiplib/progress_window.h"
#include "chiplib/transport.h"

namespace vorpex::chip {

int32_t Format(WindowHandle owner, ChipDevice* device, int32_t memory);
// `info` receives five words, `entries` 32-byte records; `count` holds the records' capacity on
// entry and receives the number of files. Null `info` or `count`: not written; null `entries`:
// no records are written.
int32_t Refresh(ChipDevice* device, int32_t memory, uint32_t* info, uint8_t* entries,
                uint32_t* count);
int32_t Delete(WindowHandle owner, ChipDevice* device, int32_t memory, int32_t index,
               const char* fileName);
int32_t Rename(ChipDevice* device, int32_t memory, int32_t index, const char* newName);
int32_t Replace(ChipDevice* device, int32_t memory, int32_t index, int32_t second);

// The short name of `path`, or nullopt after recording error 13.
std::optional<std::string> MakeShortName(const char* path);

}  // namespace vorpex::chip
