// Command blocks, replies and raw data over the session's pipes, and the device information;
// the player channel of the operations over them.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "devicelib/progress.h"
#include "operations/player_channel.h"
#include "orvane_copy.h"
#include "vorpex_shared.h"

namespace vorpex::device {

// 512 when the block was sent, 0 when not (no session, an area without a letter, a payload
// that does not fit).
int32_t SendCommand(int32_t area, int32_t command, const void* data, uint32_t n);
int32_t SendUsb(const void* buffer, uint32_t count);
int32_t RecvUsb(void* buffer, uint32_t count);
int32_t CancelTransfer();
int32_t GetDevInfo(uint8_t* info20);
int32_t WriteData(void* file, uint32_t readCount, uint32_t writeCount, int32_t closeFlag);

// A 512-byte reply into the shared block, and whether it is the OK reply.
bool ReadReply();
bool ReplyOk();

// The player channel over this library's pipes; errors and time-outs go to the chip library.
// Its progress display is the progress window (an upgrade's), the caller's callback (a copy's)
// or nothing.
class DeviceChannel final : public operations::PlayerChannel {
 public:
  DeviceChannel() = default;
  explicit DeviceChannel(void* parentWindow) : parentWindow_(parentWindow), window_(true) {}
  DeviceChannel(OrvaneProgress progress, void* context) : progress_(progress), context_(context) {}
  ~DeviceChannel() override { DeviceChannel::CloseProgress(); }
  DeviceChannel(const DeviceChannel&) = delete;
  DeviceChannel& operator=(const DeviceChannel&) = delete;

  // An area (0, 1), the device information (2) or an upgrade letter (-2, -1).
  bool SendCommand(int32_t selector, uint8_t code, std::span<const uint8_t> payload) override;
  bool ReadReply() override { return device::ReadReply(); }
  std::span<uint8_t, 512> Block() override;
  bool SendData(std::span<uint8_t> data) override;
  bool ReceiveData(std::span<uint8_t> data) override;
  // The abort message: a reopened session alone would not tell the player.
  void Stop() override { CancelTransfer(); }
  void SetTimeouts(uint32_t readMs, uint32_t writeMs) override;
  void AfterModePause() override;
  void SetError(int32_t code) override;
  // The last system error is this library's own: it is handed over by value.
  void SetWindowsError(uint32_t windowsError) override;
  void OpenProgress(uint32_t titleId, int32_t index, const char* status, uint32_t total) override;
  void SetProgressRange(uint32_t low, uint32_t high, const char* status) override {
    if (window_ && open_) windowShown_.SetRange(low, high, status);
  }
  void UpdateProgress(uint32_t position, uint32_t startTick) override;
  bool Cancelled() override;
  void CloseProgress() override;
  void ReportStage(int32_t stage, uint32_t total) override {
    VorpexShared_UpgradeStage(stage, total);
  }
  std::string LoadText(uint32_t id, size_t limit) override {
    return windowShown_.LoadText(id, limit);
  }

 private:
  void* parentWindow_ = nullptr;
  bool window_ = false;
  bool open_ = false;
  ProgressWindow windowShown_;
  OrvaneProgress progress_ = nullptr;
  void* context_ = nullptr;
  uint32_t done_ = 0;
  uint32_t total_ = 0;
};

}  // namespace vorpex::device
