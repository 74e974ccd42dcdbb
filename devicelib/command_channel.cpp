#include "devicelib/command_channel.h"

#include <algorithm>
#include <cstring>

#include "VORPEXUSB.h"
#include "devicelib/session.h"
#include "devicelib/state.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/transfer_buffer.h"
#include "protocol/command_block.h"

namespace vorpex::device {
namespace {

constexpr int32_t kAreaDeviceInfo = 2;
constexpr uint32_t kSingleCommandReadTimeoutMs = 5000000;
constexpr uint32_t kDefaultWriteTimeoutMs = 2000;

std::span<uint8_t, 512> Shared() {
  return GetState().sharedBlock;
}

}  // namespace

int32_t SendCommand(int32_t area, int32_t command, const void* data, uint32_t n) {
  auto letter = protocol::MemoryLetter(protocol::kDeviceLetters, area);
  if (!letter || n > protocol::kMaxPayload || (n > 0 && data == nullptr)) return 0;
  std::span<const uint8_t> payload(static_cast<const uint8_t*>(data), n);
  if (!protocol::BuildCommandBlock(Shared(), *letter, static_cast<uint8_t>(command), payload)) {
    return 0;
  }
  return SendUsb(Shared().data(), static_cast<uint32_t>(Shared().size()));
}

int32_t SendUsb(const void* buffer, uint32_t count) {
  if (buffer == nullptr && count > 0) return 0;
  return static_cast<int32_t>(WritePipe(std::span(static_cast<const uint8_t*>(buffer), count)));
}

int32_t RecvUsb(void* buffer, uint32_t count) {
  if (buffer == nullptr && count > 0) return 0;
  return static_cast<int32_t>(ReadPipe(std::span(static_cast<uint8_t*>(buffer), count)));
}

int32_t CancelTransfer() {
  CancelPipe();
  return 0;
}

bool ReadReply() {
  return RecvUsb(Shared().data(), 512) > 0;
}
bool ReplyOk() {
  return protocol::IsReplyOk(Shared());
}

int32_t GetDevInfo(uint8_t* info20) {
  if (GetState().session.sessionValue == 0) {
    VORPEX_DispError(VORPEX_ERR_DEVICE_OPEN, 0);
    return 1;
  }
  VORPEX_SetTimeout(kSingleCommandReadTimeoutMs, kDefaultWriteTimeoutMs);
  if (SendCommand(kAreaDeviceInfo, protocol::kCmdDeviceInfo, nullptr, 0) == 0) {
    VORPEX_SetError(VORPEX_ERR_USB);
    return 1;
  }
  ReadReply();  // whatever came (or was left in the block) is handed on as it lies
  if (info20 != nullptr) std::memcpy(info20, Shared().data() + 4, 20);
  return 0;
}

int32_t WriteData(void* file, uint32_t readCount, uint32_t writeCount, int32_t closeFlag) {
  // No file (a failed opening step): nothing is received, and nothing is closed, least of all
  // standard input.
  if (!platform::File::IsHandle(reinterpret_cast<intptr_t>(file))) return 1;
  platform::TransferBuffer buffer(Shared());
  platform::File out = platform::File::FromNative(reinterpret_cast<intptr_t>(file));
  // Never read more than the buffer holds, nor write more than was read into it.
  uint32_t want = static_cast<uint32_t>(std::min<size_t>(readCount, buffer.size()));
  int32_t got = RecvUsb(buffer.span().data(), want);
  if (got <= 0) return 1;  // `out` closes the file
  uint32_t put = std::min<uint32_t>(writeCount, static_cast<uint32_t>(got));
  out.Write(buffer.span().first(put));
  if (closeFlag != 1) out.Release();
  return 0;
}

}  // namespace vorpex::device

namespace vorpex::device {
namespace {
constexpr uint32_t kModeReplyTimeoutMs = 50000;
}

bool DeviceChannel::SendCommand(int32_t selector, uint8_t code, std::span<const uint8_t> payload) {
  return device::SendCommand(selector, code, payload.data(),
                             static_cast<uint32_t>(payload.size())) != 0;
}

std::span<uint8_t, 512> DeviceChannel::Block() {
  return Shared();
}

bool DeviceChannel::SendData(std::span<uint8_t> data) {
  return SendUsb(data.data(), static_cast<uint32_t>(data.size())) ==
         static_cast<int32_t>(data.size());
}

bool DeviceChannel::ReceiveData(std::span<uint8_t> data) {
  return RecvUsb(data.data(), static_cast<uint32_t>(data.size())) ==
         static_cast<int32_t>(data.size());
}

void DeviceChannel::SetTimeouts(uint32_t readMs, uint32_t writeMs) {
  VORPEX_SetTimeout(readMs, writeMs);
}

void DeviceChannel::AfterModePause() {
  VORPEX_SetTimeout(kModeReplyTimeoutMs, kModeReplyTimeoutMs);
}

void DeviceChannel::SetError(int32_t code) {
  VORPEX_SetError(code);
}

void DeviceChannel::SetWindowsError(uint32_t windowsError) {
  VORPEX_SetWindowsError(windowsError != 0 ? windowsError : platform::LastError());
}

void DeviceChannel::OpenProgress(uint32_t titleId, int32_t index, const char* status,
                                 uint32_t total) {
  if (window_) windowShown_.Open(parentWindow_, titleId, index, status, total);
  open_ = true;
  done_ = 0;
  total_ = total;
}

void DeviceChannel::UpdateProgress(uint32_t position, uint32_t startTick) {
  if (!open_) return;
  if (window_) windowShown_.Update(position, startTick);
  done_ = position;
  // The caller hears of the end once; what it answers then changes nothing.
  if (progress_ != nullptr && position == total_) progress_(context_, done_, total_);
}

bool DeviceChannel::Cancelled() {
  return open_ && progress_ != nullptr && progress_(context_, done_, total_) != 0;
}

void DeviceChannel::CloseProgress() {
  if (!open_) return;
  if (window_) windowShown_.Close();
  open_ = false;
}

}  // namespace vorpex::device
