#include "operations/copies.h"

#include <algorithm>
#include <array>

#include "VORPEXUSB.h"
#include "chiplib/resource_ids.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file_copy.h"
#include "platform/short_name.h"
#include "protocol/transfer_chunk.h"
#include "protocol/write_header.h"

namespace vorpex::operations {
namespace {

// A copy's progress display, open from the first chunk until the copy ends.
class CopyProgress {
 public:
  CopyProgress(PlayerChannel& channel, uint32_t title, int32_t index, const char* status,
               uint32_t total)
      : channel_(channel) {
    channel_.OpenProgress(title, index, status, total);
    channel_.SetProgressRange(0, total, nullptr);
    channel_.UpdateProgress(0, 0);
    startTick_ = platform::TickCount();
  }
  ~CopyProgress() { channel_.CloseProgress(); }
  CopyProgress(const CopyProgress&) = delete;
  CopyProgress& operator=(const CopyProgress&) = delete;

  void Moved(uint64_t position) {
    channel_.UpdateProgress(static_cast<uint32_t>(position), startTick_);
  }

 private:
  PlayerChannel& channel_;
  uint32_t startTick_ = 0;
};

int32_t Fail(PlayerChannel& channel, int32_t code) {
  channel.SetError(code);
  return 0;
}

// Code 6 with `error`, or `fallback` when the system gave none.
int32_t FailWindows(PlayerChannel& channel, uint32_t error, uint32_t fallback = 0) {
  channel.SetWindowsError(error != 0 ? error : fallback);
  return 0;
}

}  // namespace

bool OpenUpload(PlayerChannel& channel, int32_t selector, int32_t index) {
  const std::array<uint8_t, 1> payload{static_cast<uint8_t>(index)};
  if (!channel.SendCommand(selector, protocol::kCmdReadFile, payload)) {
    return Fail(channel, VORPEX_ERR_USB) != 0;
  }
  // A reply that does not come may still have been sent, with the file's data behind it: the
  // player is told to stop, or it would answer the next command with that data.
  if (!channel.ReadReply()) {
    channel.Stop();
    return Fail(channel, VORPEX_ERR_USB) != 0;
  }
  if (!channel.ReplyOk()) return Fail(channel, VORPEX_ERR_INTERNAL) != 0;
  if (!channel.ReadReply()) {
    channel.Stop();
    return Fail(channel, VORPEX_ERR_INTERNAL) != 0;
  }
  if (!channel.ReplyOk()) return Fail(channel, VORPEX_ERR_INTERNAL) != 0;
  return true;
}

int32_t CopyFromPlayer(PlayerChannel& channel, int32_t selector, int32_t index,
                       const std::string& destination, uint32_t size, const char* status) {
  if (index < 0 || index > 255 || !OpenUpload(channel, selector, index)) return 0;
  platform::ReceivingFile file(destination);
  if (!file.Create()) {
    const uint32_t error = platform::LastError();
    // The player is about to send the data: let it go back to waiting for commands.
    if (size != 0) channel.Stop();
    return FailWindows(channel, error);
  }
  platform::TransferBuffer buffer(channel.Block(), channel.Allocator());
  {
    CopyProgress progress(channel, IDS_TITLE_UPLOADING, index, status, size);
    for (uint64_t copied = 0; copied != size;) {
      if (channel.Cancelled()) {
        channel.Stop();
        return Fail(channel, VORPEX_ERR_USERBREAK);  // `file` removes what arrived
      }
      const protocol::Chunk chunk = protocol::NextChunk(size, copied, buffer.size());
      const std::span<uint8_t> wire = buffer.span().first(chunk.wireLength);
      if (!channel.ReceiveData(wire)) {
        channel.Stop();
        return Fail(channel, VORPEX_ERR_USB);
      }
      platform::SetLastError(0);
      if (!file.Write(wire.first(chunk.fileLength))) {
        // A full disk: the data must not go on as though it had been kept.
        const uint32_t error = platform::LastError();
        channel.Stop();
        return FailWindows(channel, error, platform::kErrorDiskFull);
      }
      copied += chunk.fileLength;
      progress.Moved(copied);
    }
  }
  platform::SetLastError(0);
  if (!file.Commit()) return FailWindows(channel, platform::LastError());
  return 1;
}

std::optional<Announced> AnnounceFile(PlayerChannel& channel, int32_t selector, const char* path,
                                      uint32_t extra) {
  auto shortName = platform::ShortNameOfPath(path != nullptr ? path : "");
  if (!shortName) {
    Fail(channel, VORPEX_ERR_INVALID_FILENAME);
    return std::nullopt;
  }
  platform::SetLastError(0);
  auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kRead,
                                   platform::Disposition::kOpenExisting);
  if (!file) {
    FailWindows(channel, platform::LastError());
    return std::nullopt;
  }
  const platform::LocalTime now = platform::CurrentLocalTime();
  const auto fileSize = file->Size();
  if (!fileSize) {
    FailWindows(channel, platform::LastError());
    return std::nullopt;
  }
  const uint64_t announced = *fileSize + extra;
  if (announced > 0xFFFFFFFFull) {
    Fail(channel, VORPEX_ERR_FILE_TOOBIG);
    return std::nullopt;
  }
  const auto payload = protocol::EncodeWriteHeader(
      {*shortName, protocol::PackDosDate(now.year, now.month, now.day),
       protocol::PackDosTime(now.hour, now.minute, now.second), static_cast<uint32_t>(announced)});
  if (!channel.SendCommand(selector, protocol::kCmdWriteFile, payload)) {
    Fail(channel, VORPEX_ERR_USB);
    return std::nullopt;
  }
  if (!channel.ReadReply()) {
    // The player may have taken the header and wait for the data: it drops the file.
    channel.Stop();
    Fail(channel, VORPEX_ERR_USB);
    return std::nullopt;
  }
  if (!channel.ReplyOk()) {
    Fail(channel, VORPEX_ERR_DISKFULL);
    return std::nullopt;
  }
  return Announced{std::move(*file), static_cast<uint32_t>(*fileSize), std::move(*shortName),
                   channel.Block()[6]};
}

int32_t CopyToPlayer(PlayerChannel& channel, int32_t selector, const char* path) {
  auto announced = AnnounceFile(channel, selector, path, 0);
  if (!announced) return 0;
  const uint32_t size = announced->size;
  platform::TransferBuffer buffer(channel.Block(), channel.Allocator());
  CopyProgress progress(channel, IDS_TITLE_DOWNLOADING, announced->entry,
                        announced->shortName.c_str(), size);
  for (uint64_t sent = 0; sent != size;) {
    if (channel.Cancelled()) {
      channel.Stop();
      return Fail(channel, VORPEX_ERR_USERBREAK);
    }
    const protocol::Chunk chunk = protocol::NextChunk(size, sent, buffer.size());
    const std::span<uint8_t> wire = buffer.span().first(chunk.wireLength);
    platform::SetLastError(0);
    const auto got = platform::ReadFull(announced->file, wire.first(chunk.fileLength));
    if (!got || *got != chunk.fileLength) {
      // The file shrank or cannot be read: the player drops what it has of it.
      const uint32_t error = platform::LastError();
      channel.Stop();
      return FailWindows(channel, error, platform::kErrorHandleEof);
    }
    // The padding of the last unit carries nothing of this process's memory.
    std::fill(wire.begin() + static_cast<ptrdiff_t>(chunk.fileLength), wire.end(), 0);
    if (!channel.SendData(wire)) {
      channel.Stop();
      return Fail(channel, VORPEX_ERR_USB);
    }
    sent += chunk.fileLength;
    progress.Moved(sent);
  }
  return 1;
}

}  // namespace vorpex::operations
