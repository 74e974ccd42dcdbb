#include "operations/upgrade.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "VORPEXUSB.h"
#include "chiplib/resource_ids.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file.h"
#include "protocol/command_block.h"
#include "protocol/hex_image.h"
#include "vorpex_host.h"

namespace vorpex::operations {
namespace {

constexpr size_t kReadAhead = size_t{64} * 1024;
constexpr size_t kBlock = 512;

// Hands out the image block by block from reads of 64 KiB: the same bytes and the same
// failures as reading each block by itself, without a system call per block.
class BlockReader {
 public:
  explicit BlockReader(platform::File& file) : file_(file), buffer_(kReadAhead) {}

  // Fills `out` whole; false when the file ended early or could not be read.
  bool Next(std::span<uint8_t> out) {
    size_t done = 0;
    while (done < out.size()) {
      if (at_ == end_) {
        auto got = file_.Read(buffer_);
        if (!got || *got == 0) return false;
        at_ = 0;
        end_ = *got;
      }
      size_t piece = std::min(out.size() - done, end_ - at_);
      std::copy_n(buffer_.begin() + static_cast<ptrdiff_t>(at_), piece,
                  out.begin() + static_cast<ptrdiff_t>(done));
      at_ += piece;
      done += piece;
    }
    return true;
  }

 private:
  platform::File& file_;
  std::vector<uint8_t> buffer_;
  size_t at_ = 0;
  size_t end_ = 0;
};

class Upgrade {
 public:
  Upgrade(PlayerChannel& channel, bool boot) : channel_(channel), boot_(boot) {}

  int32_t Run(uint8_t mode, const char* imagePath, const char* statusText) {
    channel_.SetTimeouts(kUpgradeTimeoutMs, kUpgradeTimeoutMs);
    auto file = platform::File::Open(imagePath != nullptr ? imagePath : "", platform::Access::kRead,
                                     platform::Share::kRead, platform::Disposition::kOpenExisting);
    if (!file) {
      channel_.SetWindowsError(platform::LastError());
      return 0;
    }
    channel_.OpenProgress(boot_ ? IDS_TITLE_BOOT_UPGRADE : IDS_TITLE_CODEC_UPGRADE, -1, "", 0);
    bool ok = Exchange(*file, mode, statusText);
    if (!ok && writeSent_) channel_.Stop();
    if (stageReported_) channel_.ReportStage(VORPEX_STAGE_ENDED, imageSize_);
    file->Close();
    channel_.CloseProgress();
    return ok ? 1 : 0;
  }

 private:
  bool Fail(int32_t code) {
    channel_.SetError(code);
    return false;
  }
  bool FailWindows(uint32_t windowsError) {
    channel_.SetWindowsError(windowsError);
    return false;
  }
  void Pause() { platform::SleepMs(kPauseMs); }
  void Stage(int32_t stage) {
    channel_.ReportStage(stage, imageSize_);
    stageReported_ = true;
  }

  bool Exchange(platform::File& file, uint8_t mode, const char* statusText) {
    auto size = file.Size();
    if (!size) return FailWindows(platform::LastError());
    if (*size == 0 || *size > protocol::kMaxFirmwareImage || (boot_ && *size > kMaxBootImage)) {
      return FailWindows(platform::kErrorInvalidFormSize);
    }
    const uint32_t imageSize = static_cast<uint32_t>(*size);
    imageSize_ = imageSize;
    const uint32_t blocks = static_cast<uint32_t>((imageSize + kBlock - 1) / kBlock);
    const uint8_t area = boot_ ? protocol::kAreaBoot : protocol::kAreaCodec;

    // Upgrade mode: whatever the player answers, the upgrade goes on.
    Stage(VORPEX_STAGE_MODE);
    const std::array<uint8_t, 2> modePayload{protocol::kUpgradeModeFirstByte, mode};
    if (!channel_.SendCommand(kSelectorUpgradeMode, protocol::kCmdUpgradeMode, modePayload)) {
      return Fail(VORPEX_ERR_USB);
    }
    Pause();
    channel_.AfterModePause();
    if (!channel_.ReadReply()) return Fail(VORPEX_ERR_USB);
    Pause();

    std::string eraseText =
        channel_.LoadText(boot_ ? IDS_TITLE_BOOT_ERASING : IDS_TITLE_CODEC_ERASING, 128);
    Stage(VORPEX_STAGE_ERASE);
    channel_.SetProgressRange(0, imageSize, eraseText.c_str());
    const std::array<uint8_t, 1> erasePayload{area};
    if (!channel_.SendCommand(kSelectorUpgradeArea, protocol::kCmdEraseArea, erasePayload)) {
      return Fail(VORPEX_ERR_USB);
    }
    Pause();
    if (!channel_.ReadReply()) return Fail(VORPEX_ERR_USB);
    Pause();
    if (!channel_.ReplyOk()) return Fail(VORPEX_ERR_INTERNAL);

    Stage(VORPEX_STAGE_WRITE);
    channel_.SetProgressRange(0, imageSize, statusText);
    channel_.SetTimeouts(kUpgradeTimeoutMs, kUpgradeTimeoutMs);
    const std::array<uint8_t, 3> writePayload{area, static_cast<uint8_t>(blocks >> 8),
                                              static_cast<uint8_t>(blocks & 0xFF)};
    if (!channel_.SendCommand(kSelectorUpgradeArea, protocol::kCmdWriteArea, writePayload)) {
      return Fail(VORPEX_ERR_USB);
    }
    writeSent_ = true;
    Pause();
    channel_.SetTimeouts(kUpgradeTimeoutMs, kUpgradeTimeoutMs);
    if (!channel_.ReadReply()) return Fail(VORPEX_ERR_USB);
    Pause();
    if (!channel_.ReplyOk()) return Fail(VORPEX_ERR_INTERNAL);

    Stage(VORPEX_STAGE_DATA);
    BlockReader reader(file);
    for (uint32_t sent = 0; sent < imageSize;) {
      std::span<uint8_t, 512> block = channel_.Block();
      size_t want = std::min<size_t>(kBlock, imageSize - sent);
      platform::SetLastError(0);
      if (!reader.Next(block.first(want))) {
        // A file that shrank under us reads short without a system error; say so all the same.
        uint32_t error = platform::LastError();
        return FailWindows(error == 0 ? platform::kErrorHandleEof : error);
      }
      std::fill(block.begin() + static_cast<ptrdiff_t>(want), block.end(), 0);
      if (!channel_.SendData(block)) return Fail(VORPEX_ERR_USB);
      sent += static_cast<uint32_t>(want);
      channel_.UpdateProgress(sent, 0);
    }

    Stage(VORPEX_STAGE_FINAL);
    if (!channel_.ReadReply()) return Fail(VORPEX_ERR_USB);
    if (!channel_.ReplyOk()) return Fail(VORPEX_ERR_INTERNAL);
    return true;
  }

  PlayerChannel& channel_;
  bool boot_;
  bool writeSent_ = false;
  bool stageReported_ = false;
  uint32_t imageSize_ = 0;
};

}  // namespace

int32_t RunUpgrade(PlayerChannel& channel, int32_t kind, int32_t mode, const char* imagePath,
                   const char* statusText) {
  return Upgrade(channel, kind != 0).Run(static_cast<uint8_t>(mode & 0xFF), imagePath, statusText);
}

}  // namespace vorpex::operations
