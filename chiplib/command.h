// Command blocks over the WinDriver transport: built in the shared block buffer, sent as 512
// bytes on pipe 2; replies read into the same buffer from pipe 0x83.
#pragma once
#include <cstdint>
#include <span>

#include "chiplib/transport.h"

namespace vorpex::chip {

// Builds the block for `selector` (-2 to 1) and sends it: 512, or 0 when it was not sent
// (a selector outside the table, a payload too long, or a failed transfer). Sets no error.
int32_t SendCommand(ChipDevice* device, int32_t selector, uint8_t command,
                    std::span<const uint8_t> payload);
// Reads one reply into the shared block buffer: 512 (or what arrived), 0 for none.
int32_t ReadReply(ChipDevice* device);
// True when the shared block buffer holds the OK reply.
bool IsReplyOk();
// Asks the player to stop the running transfer; the result is of no interest.
void SendCancelRequest(ChipDevice* device);

}  // namespace vorpex::chip
