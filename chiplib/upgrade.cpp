#include "chiplib/upgrade.h"

#include "chiplib/command.h"
#include "chiplib/error_state.h"
#include "chiplib/progress_window.h"
#include "chiplib/state.h"
#include "chiplib/ui_host.h"
#include "chiplib/upgrade_sequence.h"
#include "platform/module.h"

namespace vorpex::chip {
namespace {

// The upgrade exchange over the WinDriver pipes, with this library's error state, time-outs
// and progress window.
class ChipLink final : public upgrade::UpgradeLink {
 public:
  explicit ChipLink(ChipDevice* device) : device_(device) {}

  bool SendCommand(int selector, uint8_t code, std::span<const uint8_t> payload) override {
    return chip::SendCommand(device_, selector, code, payload) != 0;
  }
  bool ReadReply() override { return chip::ReadReply(device_) != 0; }
  bool ReplyOk() override { return IsReplyOk(); }
  std::span<uint8_t, 512> Block() override { return GetState().sharedBlock; }
  bool SendBlock() override { return SendUsb(device_, GetState().sharedBlock) != 0; }
  // The cancel request: the player drops the image it was taking.
  void StopImage() override { SendCancelRequest(device_); }
  void SetTimeouts(uint32_t readMs, uint32_t writeMs) override {
    chip::SetTimeouts(readMs, writeMs);
  }
  void SetError(int32_t code) override { chip::SetError(code); }
  void SetWindowsError(uint32_t windowsError) override { chip::SetWindowsError(windowsError); }
  void OpenProgress(void* parentWindow, uint32_t titleId) override {
    setup_ = ProgressSetup{titleId, -1, "", 0, 0};
    window_ = OpenProgressWindow(parentWindow, &setup_);
  }
  void SetProgressRange(uint32_t low, uint32_t high, const char* status) override {
    chip::SetProgressRange(window_, low, high, status);
  }
  void UpdateProgress(uint32_t position, uint32_t startTick) override {
    chip::UpdateProgress(window_, position, startTick);
  }
  void CloseProgress() override {
    CloseProgressWindow(window_);
    window_ = nullptr;
  }
  void ReportStage(int32_t stage, uint32_t total) override { ReportUpgradeStage(stage, total); }
  std::string LoadText(uint32_t id, size_t limit) override {
    return platform::LoadModuleString(GetState().module, id, limit).value_or(std::string());
  }

 private:
  ChipDevice* device_;
  ProgressSetup setup_{};
  WindowHandle window_ = nullptr;
};

}  // namespace

int32_t UpgradeFirmware(void* parentWindow, ChipDevice* device, int32_t kind, int32_t mode,
                        const char* imagePath, const char* statusText) {
  ChipLink link(device);
  return upgrade::RunUpgrade(link, parentWindow, kind, mode, imagePath, statusText);
}

}  // namespace vorpex::chip
