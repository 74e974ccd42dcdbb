#include "devicelib/transfers.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "VORPEXUSB.h"
#include "devicelib/command_channel.h"
#include "devicelib/state.h"
#include "devicelib/storage.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_copy.h"
#include "platform/short_name.h"
#include "platform/transfer_buffer.h"
#include "protocol/command_block.h"
#include "protocol/transfer_chunk.h"
#include "protocol/write_header.h"

namespace vorpex::device {
namespace {

constexpr uint32_t kExtraAnnounced = 512;

int32_t Fail(int32_t code) {
  VORPEX_SetError(code);
  return 0;
}

// Code 6 with the system's error, or `fallback` when the system gave none.
int32_t FailWindows(uint32_t error, uint32_t fallback = 0) {
  VORPEX_SetWindowsError(error != 0 ? error : fallback);
  return 0;
}

struct Announced {
  platform::File file;
  uint32_t size;  // of the file, without the extra bytes
};

// Sends the "W" header for `path`; the open file once the player accepted it.
std::optional<Announced> AnnounceFile(int32_t area, const char* path, bool extra) {
  const auto shortName = platform::ShortNameOfPath(path != nullptr ? path : "");
  if (!shortName) {
    VORPEX_SetError(VORPEX_ERR_INVALID_FILENAME);
    return std::nullopt;
  }
  platform::SetLastError(0);
  auto file = platform::File::Open(path, platform::Access::kRead, platform::Share::kRead,
                                   platform::Disposition::kOpenExisting);
  if (!file) {
    FailWindows(platform::LastError());
    return std::nullopt;
  }
  const platform::LocalTime now = platform::CurrentLocalTime();
  const auto fileSize = file->Size();
  if (!fileSize) {
    FailWindows(platform::LastError());
    return std::nullopt;
  }
  const uint64_t announced = *fileSize + (extra ? kExtraAnnounced : 0);
  if (announced > 0xFFFFFFFFull) {
    Fail(VORPEX_ERR_FILE_TOOBIG);
    return std::nullopt;
  }
  const auto payload = protocol::EncodeWriteHeader(
      {*shortName, protocol::PackDosDate(now.year, now.month, now.day),
       protocol::PackDosTime(now.hour, now.minute, now.second), static_cast<uint32_t>(announced)});
  if (SendCommand(area, protocol::kCmdWriteFile, payload.data(),
                  static_cast<uint32_t>(payload.size())) == 0) {
    Fail(VORPEX_ERR_USB);
    return std::nullopt;
  }
  if (!ReadReply()) {
    // The player may have taken the header and wait for the data: it drops the file.
    CancelTransfer();
    Fail(VORPEX_ERR_USB);
    return std::nullopt;
  }
  if (!ReplyOk()) {
    Fail(VORPEX_ERR_DISKFULL);
    return std::nullopt;
  }
  return Announced{std::move(*file), static_cast<uint32_t>(*fileSize)};
}

// "R" for entry `index` and its two OK replies; false with the error recorded.
bool OpenUpload(int32_t area, int32_t index) {
  const std::array<uint8_t, 1> payload{static_cast<uint8_t>(index)};
  if (SendCommand(area, protocol::kCmdReadFile, payload.data(), 1) == 0) {
    return Fail(VORPEX_ERR_USB) != 0;
  }
  // A reply that does not come may still have been sent, with the file's data behind it: the
  // player is told to stop, or it would answer the next command with that data.
  if (!ReadReply()) {
    CancelTransfer();
    return Fail(VORPEX_ERR_USB) != 0;
  }
  if (!ReplyOk()) return Fail(VORPEX_ERR_INTERNAL) != 0;
  if (!ReadReply()) {
    CancelTransfer();
    return Fail(VORPEX_ERR_INTERNAL) != 0;
  }
  if (!ReplyOk()) return Fail(VORPEX_ERR_INTERNAL) != 0;
  return true;
}

}  // namespace

int32_t Download(int32_t area, const char* path, int32_t extra) {
  return AnnounceFile(area, path, extra == 1) ? 1 : 0;
}

int32_t DownloadIndexFile(int32_t area, const char* path) {
  auto announced = AnnounceFile(area, path, false);
  if (!announced) return 0;
  platform::TransferBuffer buffer(GetState().sharedBlock);
  for (uint64_t sent = 0; sent != announced->size;) {
    const protocol::Chunk chunk = protocol::NextChunk(announced->size, sent, buffer.size());
    const std::span<uint8_t> wire = buffer.span().first(chunk.wireLength);
    platform::SetLastError(0);
    const auto got = platform::ReadFull(announced->file, wire.first(chunk.fileLength));
    if (!got || *got != chunk.fileLength) {
      // The file shrank or cannot be read: the player drops what it has of it.
      const uint32_t error = platform::LastError();
      CancelTransfer();
      return FailWindows(error, platform::kErrorHandleEof);
    }
    // The padding of the last unit carries nothing of this process's memory.
    std::fill(wire.begin() + static_cast<ptrdiff_t>(chunk.fileLength), wire.end(), 0);
    if (SendUsb(wire.data(), static_cast<uint32_t>(wire.size())) !=
        static_cast<int32_t>(wire.size())) {
      CancelTransfer();
      return Fail(VORPEX_ERR_USB);
    }
    sent += chunk.fileLength;
  }
  return 1;
}

intptr_t Upload(int32_t area, int32_t index, const char* path) {
  if (!IsEntryIndex(index) || !OpenUpload(area, index)) return 0;
  platform::SetLastError(0);
  auto file = platform::File::Open(path != nullptr ? path : "", platform::Access::kWrite,
                                   platform::Share::kNone, platform::Disposition::kCreateAlways);
  if (!file) {
    const uint32_t error = platform::LastError();
    // Nobody will take the data the player is about to send.
    CancelTransfer();
    return FailWindows(error);
  }
  return file->Release();
}

int32_t UploadIndexFile(int32_t area, int32_t index, const char* path, uint32_t size) {
  if (!IsEntryIndex(index) || !OpenUpload(area, index)) return 0;
  platform::ReceivingFile file(path != nullptr ? path : "");
  if (!file.Create()) {
    const uint32_t error = platform::LastError();
    if (size != 0) CancelTransfer();
    return FailWindows(error);
  }
  platform::TransferBuffer buffer(GetState().sharedBlock);
  for (uint64_t stored = 0; stored != size;) {
    const protocol::Chunk chunk = protocol::NextChunk(size, stored, buffer.size());
    const std::span<uint8_t> wire = buffer.span().first(chunk.wireLength);
    if (RecvUsb(wire.data(), static_cast<uint32_t>(wire.size())) !=
        static_cast<int32_t>(wire.size())) {
      CancelTransfer();
      return Fail(VORPEX_ERR_USB);  // `file` removes what arrived
    }
    platform::SetLastError(0);
    if (!file.Write(wire.first(chunk.fileLength))) {
      const uint32_t error = platform::LastError();
      CancelTransfer();
      return FailWindows(error, platform::kErrorDiskFull);
    }
    stored += chunk.fileLength;
  }
  platform::SetLastError(0);
  if (!file.Commit()) return FailWindows(platform::LastError());
  return 1;
}

}  // namespace vorpex::device
