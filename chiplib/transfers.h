// Whole files copied between the PC and the player's memories: from the player ("Uploading...")
// and to it ("Downloading"), each with a progress window or quietly.
#pragma once
#include <cstdint>

#include "chiplib/progress_window.h"
#include "chiplib/transport.h"

namespace vorpex::chip {

// Copies entry `index` of `size` bytes into `localPath`. An existing file of that name is
// replaced only when every byte has arrived; on failure it is left as it was.
int32_t Upload(WindowHandle owner, ChipDevice* device, int32_t memory, int32_t index,
               const char* localPath, const char* displayName, uint32_t size, bool withWindow);
// Copies `localPath` to the player under its short name.
int32_t Download(WindowHandle owner, ChipDevice* device, int32_t memory, const char* localPath,
                 bool withWindow);

}  // namespace vorpex::chip
