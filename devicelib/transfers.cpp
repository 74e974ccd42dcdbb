#include "devicelib/transfers.h"

#include "VORPEXUSB.h"
#include "devicelib/command_channel.h"
#include "devicelib/storage.h"
#include "operations/copies.h"
#include "platform/error.h"
#include "platform/file.h"

namespace vorpex::device {
namespace {

constexpr uint32_t kExtraAnnounced = 512;

}  // namespace

int32_t Download(int32_t area, const char* path, int32_t extra) {
  DeviceChannel channel;
  return operations::AnnounceFile(channel, area, path, extra == 1 ? kExtraAnnounced : 0) ? 1 : 0;
}

int32_t DownloadIndexFile(int32_t area, const char* path, OrvaneProgress progress, void* context) {
  DeviceChannel channel(progress, context);
  return operations::CopyToPlayer(channel, area, path);
}

intptr_t Upload(int32_t area, int32_t index, const char* path) {
  DeviceChannel channel;
  if (!IsEntryIndex(index) || !operations::OpenUpload(channel, area, index)) return 0;
  platform::SetLastError(0);
  auto file = platform::File::Open(path != nullptr ? path : "", platform::Access::kWrite,
                                   platform::Share::kNone, platform::Disposition::kCreateAlways);
  if (!file) {
    const uint32_t error = platform::LastError();
    // Nobody will take the data the player is about to send.
    CancelTransfer();
    VORPEX_SetWindowsError(error);
    return 0;
  }
  return file->Release();
}

int32_t UploadIndexFile(int32_t area, int32_t index, const char* path, uint32_t size,
                        OrvaneProgress progress, void* context) {
  DeviceChannel channel(progress, context);
  return operations::CopyFromPlayer(channel, area, index, path != nullptr ? path : "", size, "");
}

}  // namespace vorpex::device
