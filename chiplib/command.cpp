#include "chiplib/command.h"

#include "chiplib/state.h"
#include "chiplib/ui_host.h"
#include "platform/module.h"
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

bool ChipChannel::SendCommand(int32_t selector, uint8_t code, std::span<const uint8_t> payload) {
  return chip::SendCommand(device_, selector, code, payload) != 0;
}

bool ChipChannel::ReadReply() {
  return chip::ReadReply(device_) != 0;
}

std::span<uint8_t, 512> ChipChannel::Block() {
  return GetState().sharedBlock;
}

bool ChipChannel::SendData(std::span<uint8_t> data) {
  return SendUsb(device_, data) == static_cast<int32_t>(data.size());
}

bool ChipChannel::ReceiveData(std::span<uint8_t> data) {
  return RecvUsb(device_, data) == static_cast<int32_t>(data.size());
}

platform::TransferBuffer::Allocator ChipChannel::Allocator() {
  return GetState().transferAllocator;
}

void ChipChannel::OpenProgress(uint32_t titleId, int32_t index, const char* status,
                               uint32_t total) {
  if (!withWindow_) return;
  setup_ = ProgressSetup{titleId, index, status, total, 0};
  window_ = OpenProgressWindow(owner_, &setup_);
  open_ = true;
}

void ChipChannel::SetProgressRange(uint32_t low, uint32_t high, const char* status) {
  if (open_) chip::SetProgressRange(window_, low, high, status);
}

void ChipChannel::UpdateProgress(uint32_t position, uint32_t startTick) {
  if (open_) chip::UpdateProgress(window_, position, startTick);
}

bool ChipChannel::Cancelled() {
  if (!open_) return false;
  for (;;) {
    PumpMessages(window_);
    if ((setup_.flags & kProgressCancelled) != 0) return true;
    if ((setup_.flags & kProgressPaused) == 0) return false;
    UiWaitWhilePaused();
  }
}

void ChipChannel::CloseProgress() {
  if (!open_) return;
  CloseProgressWindow(window_);
  window_ = nullptr;
  open_ = false;
}

std::string ChipChannel::LoadText(uint32_t id, size_t limit) {
  return platform::LoadModuleString(GetState().module, id, limit).value_or(std::string());
}

void ChipChannel::ReportStage(int32_t stage, uint32_t total) { ReportUpgradeStage(stage, total); }

}  // namespace vorpex::chip
