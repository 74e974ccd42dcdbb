#include "chiplib/command.h"

#include "chiplib/state.h"
#include "protocol/command_block.h"

namespace vorpex::chip {

int32_t SendCommand(ChipDevice* device, int32_t selector, uint8_t command,
                    std::span<const uint8_t> payload) {
  const auto letter = protocol::MemoryLetter(protocol::kChipLetters, selector);
  if (!letter) return 0;
  auto& block = GetState().sharedBlock;
  if (!protocol::BuildCommandBlock(block, *letter, command, payload)) return 0;
  return SendUsb(device, block);
}

int32_t ReadReply(ChipDevice* device) {
  return RecvUsb(device, GetState().sharedBlock);
}

bool IsReplyOk() {
  return protocol::IsReplyOk(GetState().sharedBlock);
}

void SendCancelRequest(ChipDevice* device) {
  WriteDefaultPipe(device, {}, protocol::kCancelSetup);
}

}  // namespace vorpex::chip
