#include "chiplib/storage.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "VORPEXUSB.h"
#include "chiplib/command.h"
#include "chiplib/error_state.h"
#include "operations/storage.h"
#include "platform/short_name.h"
#include "protocol/command_block.h"

namespace vorpex::chip {
namespace {

bool IsEntryIndex(int32_t index) {
  return index >= 0 && index <= 255;
}

int32_t Fail(int32_t code) {
  SetError(code);
  return 0;
}

// One command and its reply: 0 when both went through and the reply is OK, else the code for a
// command not sent or not answered (4) or for a refusal (`refused`).
int32_t Exchange(ChipDevice* device, int32_t memory, uint8_t command,
                 std::span<const uint8_t> payload, int32_t refused) {
  ChipChannel channel(device);
  return operations::AnswerCode(operations::Exchange(channel, memory, command, payload), refused);
}

}  // namespace

std::optional<std::string> MakeShortName(const char* path) {
  auto name = platform::ShortNameOfPath(path != nullptr ? path : "");
  if (!name) SetError(VORPEX_ERR_INVALID_FILENAME);
  return name;
}

int32_t Format(WindowHandle owner, ChipDevice* device, int32_t memory) {
  ChipChannel channel(device);
  if (!channel.SendCommand(memory, protocol::kCmdFormat, {})) return Fail(VORPEX_ERR_USB);
  WindowHandle window = OpenFormatWindow(owner);
  int32_t code = VORPEX_OK;
  if (!channel.ReadReply()) {
    code = VORPEX_ERR_USB;
  } else if (!channel.ReplyOk()) {
    code = VORPEX_ERR_FORMAT;
  }
  CloseStatusWindow(window);
  // A success clears an earlier error.
  SetError(code);
  return code == VORPEX_OK ? 1 : 0;
}

int32_t Refresh(ChipDevice* device, int32_t memory, uint32_t* info, uint8_t* entries,
                uint32_t* count) {
  ChipChannel channel(device);
  return operations::ReadDirectory(channel, memory, info, entries, count) ? 1 : 0;
}

int32_t Delete(WindowHandle owner, ChipDevice* device, int32_t memory, int32_t index,
               const char* fileName) {
  if (!IsEntryIndex(index)) return Fail(VORPEX_ERR_INTERNAL);
  WindowHandle window = OpenDeleteWindow(owner, index, fileName);
  const std::array<uint8_t, 1> payload{static_cast<uint8_t>(index)};
  const int32_t code = Exchange(device, memory, protocol::kCmdDelete, payload, VORPEX_ERR_INTERNAL);
  CloseStatusWindow(window);
  return code == VORPEX_OK ? 1 : Fail(code);
}

int32_t Rename(ChipDevice* device, int32_t memory, int32_t index, const char* newName) {
  if (!IsEntryIndex(index)) return Fail(VORPEX_ERR_INTERNAL);
  const auto name = MakeShortName(newName);
  if (!name) return 0;
  std::vector<uint8_t> payload{static_cast<uint8_t>(index)};
  payload.insert(payload.end(), name->begin(), name->end());
  const int32_t code =
      Exchange(device, memory, protocol::kCmdRenameOrReplace, payload, VORPEX_ERR_INTERNAL);
  return code == VORPEX_OK ? 1 : Fail(code);
}

int32_t Replace(ChipDevice* device, int32_t memory, int32_t index, int32_t second) {
  if (!IsEntryIndex(index)) return Fail(VORPEX_ERR_INTERNAL);
  const std::array<uint8_t, 2> payload{static_cast<uint8_t>(index), static_cast<uint8_t>(second)};
  const int32_t code =
      Exchange(device, memory, protocol::kCmdRenameOrReplace, payload, VORPEX_ERR_INTERNAL);
  return code == VORPEX_OK ? 1 : Fail(code);
}

}  // namespace vorpex::chip
