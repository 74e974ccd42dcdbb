#include "chiplib/transfers.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>

#include "VORPEXUSB.h"
#include "chiplib/command.h"
#include "chiplib/error_state.h"
#include "chiplib/resource_ids.h"
#include "chiplib/state.h"
#include "chiplib/storage.h"
#include "chiplib/ui_host.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_copy.h"
#include "platform/transfer_buffer.h"
#include "protocol/command_block.h"
#include "protocol/transfer_chunk.h"
#include "protocol/write_header.h"

namespace vorpex::chip {
namespace {

int32_t Fail(int32_t code) {
  SetError(code);
  return 0;
}

// Code 6 with the system's error, or `fallback` when the system gave none.
int32_t FailWindows(uint32_t fallback = 0) {
  const uint32_t error = platform::LastError();
  SetWindowsError(error != 0 ? error : fallback);
  return 0;
}

// The progress window of a copy; nothing at all in the quiet variants.
class CopyProgress {
 public:
  CopyProgress(bool shown, WindowHandle owner, uint32_t title, int32_t index, const char* status,
               uint32_t total)
      : shown_(shown), setup_{title, index, status, total, 0} {
    if (!shown_) return;
    window_ = OpenProgressWindow(owner, &setup_);
    SetProgressRange(window_, 0, total, nullptr);
    UpdateProgress(window_, 0, 0);
  }
  ~CopyProgress() { Close(); }
  CopyProgress(const CopyProgress&) = delete;
  CopyProgress& operator=(const CopyProgress&) = delete;

  void Start() { startTick_ = platform::TickCount(); }
  // Lets the window work; true when the user asked to cancel. While the transfer is paused it
  // waits here for the user.
  bool Cancelled() {
    if (!shown_) return false;
    for (;;) {
      PumpMessages(window_);
      if ((setup_.flags & kProgressCancelled) != 0) return true;
      if ((setup_.flags & kProgressPaused) == 0) return false;
      UiWaitWhilePaused();
    }
  }
  void Moved(uint64_t position) {
    if (shown_) UpdateProgress(window_, static_cast<uint32_t>(position), startTick_);
  }
  void Close() {
    if (!shown_) return;
    CloseProgressWindow(window_);
    shown_ = false;
  }

 private:
  bool shown_;
  ProgressSetup setup_;
  WindowHandle window_ = nullptr;
  uint32_t startTick_ = 0;
};

}  // namespace

int32_t Upload(WindowHandle owner, ChipDevice* device, int32_t memory, int32_t index,
               const char* localPath, const char* displayName, uint32_t size, bool withWindow) {
  if (index < 0 || index > 255) return 0;
  State& state = GetState();
  platform::TransferBuffer buffer(state.sharedBlock, state.transferAllocator);

  const std::array<uint8_t, 1> payload{static_cast<uint8_t>(index)};
  if (SendCommand(device, memory, protocol::kCmdReadFile, payload) == 0)
    return Fail(VORPEX_ERR_USB);
  // A reply that does not come may still have been sent, with the file's data behind it: the
  // player is told to stop, or it would answer the next command with that data.
  if (ReadReply(device) == 0) {
    SendCancelRequest(device);
    return Fail(VORPEX_ERR_USB);
  }
  if (!IsReplyOk()) return Fail(VORPEX_ERR_INTERNAL);
  if (ReadReply(device) == 0) {
    SendCancelRequest(device);
    return Fail(VORPEX_ERR_INTERNAL);
  }
  if (!IsReplyOk()) return Fail(VORPEX_ERR_INTERNAL);

  const std::string destination = localPath != nullptr ? localPath : "";
  platform::ReceivingFile file(destination);
  if (!file.Create()) {
    const uint32_t error = platform::LastError();
    // The player is about to send the data: let it go back to waiting for commands.
    if (size != 0) SendCancelRequest(device);
    SetWindowsError(error);
    return 0;
  }

  CopyProgress progress(withWindow, owner, IDS_TITLE_UPLOADING, index,
                        displayName != nullptr ? displayName : destination.c_str(), size);
  progress.Start();
  int32_t failure = VORPEX_OK;
  uint32_t windowsError = 0;
  for (uint64_t copied = 0; copied != size;) {
    if (progress.Cancelled()) {
      SendCancelRequest(device);
      failure = VORPEX_ERR_USERBREAK;
      break;
    }
    const protocol::Chunk chunk = protocol::NextChunk(size, copied, buffer.size());
    const std::span<uint8_t> wire = buffer.span().first(chunk.wireLength);
    if (RecvUsb(device, wire) != static_cast<int32_t>(wire.size())) {
      SendCancelRequest(device);
      failure = VORPEX_ERR_USB;
      break;
    }
    platform::SetLastError(0);
    if (!file.Write(wire.first(chunk.fileLength))) {
      // A full disk: the data must not go on as though it had been kept.
      windowsError = platform::LastError();
      if (windowsError == 0) windowsError = platform::kErrorDiskFull;
      SendCancelRequest(device);
      failure = VORPEX_ERR_WINDOWS;
      break;
    }
    copied += chunk.fileLength;
    progress.Moved(copied);
  }
  progress.Close();

  if (failure == VORPEX_OK && !file.Commit()) {
    windowsError = platform::LastError();
    failure = VORPEX_ERR_WINDOWS;
  }
  if (failure == VORPEX_OK) return 1;
  file.Discard();
  if (failure == VORPEX_ERR_WINDOWS) {
    SetWindowsError(windowsError);
    return 0;
  }
  return Fail(failure);
}

int32_t Download(WindowHandle owner, ChipDevice* device, int32_t memory, const char* localPath,
                 bool withWindow) {
  const auto shortName = MakeShortName(localPath);
  if (!shortName) return 0;
  State& state = GetState();
  platform::TransferBuffer buffer(state.sharedBlock, state.transferAllocator);

  auto file = platform::File::Open(localPath, platform::Access::kRead, platform::Share::kRead,
                                   platform::Disposition::kOpenExisting);
  if (!file) return FailWindows();
  const platform::LocalTime now = platform::CurrentLocalTime();
  const auto fileSize = file->Size();
  if (!fileSize) return FailWindows();
  if (*fileSize > 0xFFFFFFFFull) return Fail(VORPEX_ERR_FILE_TOOBIG);
  const uint32_t size = static_cast<uint32_t>(*fileSize);

  const auto payload =
      protocol::EncodeWriteHeader({*shortName, protocol::PackDosDate(now.year, now.month, now.day),
                                   protocol::PackDosTime(now.hour, now.minute, now.second), size});
  if (SendCommand(device, memory, protocol::kCmdWriteFile, payload) == 0) {
    return Fail(VORPEX_ERR_USB);
  }
  if (ReadReply(device) == 0) {
    // The player may have taken the header and wait for the data: it drops the file.
    SendCancelRequest(device);
    return Fail(VORPEX_ERR_USB);
  }
  if (!IsReplyOk()) return Fail(VORPEX_ERR_DISKFULL);
  const int32_t entry = state.sharedBlock[6];

  CopyProgress progress(withWindow, owner, IDS_TITLE_DOWNLOADING, entry, shortName->c_str(), size);
  progress.Start();
  for (uint64_t sent = 0; sent != size;) {
    if (progress.Cancelled()) {
      SendCancelRequest(device);
      return Fail(VORPEX_ERR_USERBREAK);
    }
    const protocol::Chunk chunk = protocol::NextChunk(size, sent, buffer.size());
    const std::span<uint8_t> wire = buffer.span().first(chunk.wireLength);
    platform::SetLastError(0);
    const auto got = platform::ReadFull(*file, wire.first(chunk.fileLength));
    if (!got || *got != chunk.fileLength) {
      // The file shrank or cannot be read: the player discards what it has of it.
      const uint32_t error = platform::LastError();
      SendCancelRequest(device);
      SetWindowsError(error != 0 ? error : platform::kErrorHandleEof);
      return 0;
    }
    // The padding of the last unit carries nothing of this process's memory.
    std::fill(wire.begin() + static_cast<ptrdiff_t>(chunk.fileLength), wire.end(), 0);
    if (SendUsb(device, wire) != static_cast<int32_t>(wire.size())) {
      SendCancelRequest(device);
      return Fail(VORPEX_ERR_USB);
    }
    sent += chunk.fileLength;
    progress.Moved(sent);
  }
  return 1;
}

}  // namespace vorpex::chip
