#include "operations/storage.h"

#include "VORPEXUSB.h"
#include "protocol/dir_slot.h"

namespace vorpex::operations {

Answer Exchange(PlayerChannel& channel, int32_t selector, uint8_t command,
                std::span<const uint8_t> payload) {
  if (!channel.SendCommand(selector, command, payload)) return Answer::kNotSent;
  if (!channel.ReadReply()) return Answer::kNoReply;
  return channel.ReplyOk() ? Answer::kOk : Answer::kRefused;
}

int32_t AnswerCode(Answer answer, int32_t refused) {
  switch (answer) {
    case Answer::kOk:
      return VORPEX_OK;
    case Answer::kRefused:
      return refused;
    default:
      return VORPEX_ERR_USB;
  }
}

bool ReadDirectory(PlayerChannel& channel, int32_t selector, uint32_t* info, uint8_t* entries,
                   uint32_t* count) {
  if (!channel.SendCommand(selector, protocol::kCmdReadDirectory, {})) return false;
  const protocol::NextReply next = [&]() -> std::span<const uint8_t> {
    if (!channel.ReadReply()) return {};
    return channel.Block();
  };
  return protocol::ReadDirectory(next, info, entries, count);
}

}  // namespace vorpex::operations
