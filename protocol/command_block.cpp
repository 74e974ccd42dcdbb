#include "protocol/command_block.h"

#include <algorithm>

namespace vorpex::protocol {

std::optional<uint8_t> MemoryLetter(std::string_view table, int32_t selector) {
  const int64_t index = static_cast<int64_t>(selector) + 2;
  if (index < 0 || index >= static_cast<int64_t>(table.size())) return std::nullopt;
  return static_cast<uint8_t>(table[static_cast<size_t>(index)]);
}

bool BuildCommandBlock(Block block, uint8_t letter, uint8_t code,
                       std::span<const uint8_t> payload) {
  if (payload.size() > kMaxPayload) return false;
  block[0] = kBlockHead;
  block[1] = 0x00;
  block[2] = static_cast<uint8_t>(payload.size() + 4);
  block[3] = kBlockColon;
  block[4] = letter;
  block[5] = code;
  std::copy(payload.begin(), payload.end(), block.begin() + 6);
  block[6 + payload.size()] = kBlockTerminator;
  return true;
}

bool IsReplyOk(std::span<const uint8_t> reply) {
  return reply.size() >= kOkReply.size() &&
         std::equal(kOkReply.begin(), kOkReply.end(), reply.begin());
}

std::optional<CommandView> ParseCommandBlock(std::span<const uint8_t> block) {
  if (block.size() != kBlockSize) return std::nullopt;
  if (block[0] != kBlockHead || block[1] != 0x00 || block[3] != kBlockColon) return std::nullopt;
  if (block[2] < 4) return std::nullopt;
  const size_t n = block[2] - 4u;
  if (block[6 + n] != kBlockTerminator) return std::nullopt;
  return CommandView{block[4], block[5], block.subspan(6, n)};
}

void BuildRefusal(Block block, uint8_t status) {
  std::copy(kOkReply.begin(), kOkReply.end(), block.begin());
  block[4] = status;
}

}  // namespace vorpex::protocol
