#include "devicelib/upgrade.h"

#include <string>
#include <utility>

#include "VORPEXUSB.h"
#include "chiplib/upgrade_sequence.h"
#include "devicelib/command_channel.h"
#include "devicelib/progress.h"
#include "devicelib/state.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/temp.h"
#include "vorpex_shared.h"

namespace vorpex::device {
namespace {

constexpr uint32_t kModeReplyTimeoutMs = 50000;
constexpr uint32_t kBootBase = 0;
constexpr uint32_t kCodecBase = 8192;

// The upgrade exchange over this library's pipes; errors and time-outs go to the chip library,
// the progress window is this library's own.
class DeviceLink final : public upgrade::UpgradeLink {
 public:
  bool SendCommand(int selector, uint8_t code, std::span<const uint8_t> payload) override {
    return device::SendCommand(selector, code, payload.data(),
                               static_cast<uint32_t>(payload.size())) == 512;
  }
  bool ReadReply() override { return device::ReadReply(); }
  bool ReplyOk() override { return device::ReplyOk(); }
  std::span<uint8_t, 512> Block() override { return GetState().sharedBlock; }
  bool SendBlock() override { return SendUsb(GetState().sharedBlock.data(), 512) == 512; }
  // The abort message: the player drops the image it was taking. A reopened session alone
  // would not tell it.
  void StopImage() override { CancelTransfer(); }
  void SetTimeouts(uint32_t readMs, uint32_t writeMs) override {
    VORPEX_SetTimeout(readMs, writeMs);
  }
  void AfterModePause() override { VORPEX_SetTimeout(kModeReplyTimeoutMs, kModeReplyTimeoutMs); }
  void SetError(int32_t code) override { VORPEX_SetError(code); }
  // The last system error is this library's own: it is handed over by value.
  void SetWindowsError(uint32_t windowsError) override {
    VORPEX_SetWindowsError(windowsError != 0 ? windowsError : platform::LastError());
  }
  void OpenProgress(void* parentWindow, uint32_t titleId) override {
    progress_.Open(parentWindow, titleId);
  }
  void SetProgressRange(uint32_t low, uint32_t high, const char* status) override {
    progress_.SetRange(low, high, status);
  }
  void UpdateProgress(uint32_t position, uint32_t startTick) override {
    progress_.Update(position, startTick);
  }
  void CloseProgress() override { progress_.Close(); }
  void ReportStage(int32_t stage, uint32_t total) override {
    VorpexShared_UpgradeStage(stage, total);
  }
  std::string LoadText(uint32_t id, size_t limit) override {
    return progress_.LoadText(id, limit);
  }

 private:
  ProgressWindow progress_;
};

// The converted image in the temporary folder (up to 32 MiB): removed however the upgrade ends.
class TemporaryImage {
 public:
  explicit TemporaryImage(std::string path) : path_(std::move(path)) {}
  TemporaryImage(const TemporaryImage&) = delete;
  TemporaryImage& operator=(const TemporaryImage&) = delete;
  ~TemporaryImage() { platform::RemoveFile(path_); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

}  // namespace

int32_t UpgradeCodec(void* parentWindow, int32_t kind, int32_t mode, const char* imagePath,
                     const char* statusText) {
  DeviceLink link;
  return upgrade::RunUpgrade(link, parentWindow, kind, mode, imagePath, statusText);
}

int32_t UpgradeFirmware(void* parentWindow, int32_t kind, int32_t mode, const char* hexPath) {
  auto folder = platform::TempFolder();
  if (!folder) {
    VORPEX_SetWindowsError(platform::LastError());
    return 0;
  }
  auto created = platform::CreateUniqueTempFile(*folder, "$VPX");
  if (!created) {
    VORPEX_SetWindowsError(platform::LastError());
    return 0;
  }
  const TemporaryImage image(std::move(*created));
  // A HEX file that does not convert (missing, corrupt, cut off, too large) must never reach
  // the player: nothing is sent, and the conversion has recorded why.
  if (VorpexShared_ConvertHexForUpgrade(hexPath, image.path(),
                                        kind != 0 ? kBootBase : kCodecBase) != 1) {
    return 0;
  }
  return UpgradeCodec(parentWindow, kind, mode, image.path(), hexPath);
}

}  // namespace vorpex::device
