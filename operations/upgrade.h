// The firmware upgrade: upgrade mode, the erase, then the image written block by block, each
// step with its pause and reply.
#pragma once
#include <cstdint>

#include "operations/player_channel.h"

namespace vorpex::operations {

inline constexpr uint32_t kUpgradeTimeoutMs = 5000000;
inline constexpr uint32_t kPauseMs = 1000;
inline constexpr uint64_t kMaxBootImage = 8192;

inline constexpr int kSelectorUpgradeMode = -2;  // "G"
inline constexpr int kSelectorUpgradeArea = -1;  // "C"

// Writes the image at `imagePath` into the boot area (kind nonzero) or the codec area under the
// channel's progress display: 1 when the player acknowledged it all, 0 with the reason recorded.
// A failure after the write command stops the player, which would take the next command for an
// image block.
int32_t RunUpgrade(PlayerChannel& channel, int32_t kind, int32_t mode, const char* imagePath,
                   const char* statusText);

}  // namespace vorpex::operations
