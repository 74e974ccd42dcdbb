// The player channel over the WinDriver transport: command blocks built in the shared block
// buffer and sent as 512 bytes on pipe 2, replies read into the same buffer from pipe 0x83, the
// cancel request on the default pipe, and this library's error state and progress windows.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "chiplib/error_state.h"
#include "chiplib/progress_window.h"
#include "chiplib/transport.h"
#include "operations/player_channel.h"

namespace vorpex::chip {

// Builds the block for `selector` (-2 to 1) and sends it: 512, or 0 when it was not sent
// (a selector outside the table, a payload too long, or a failed transfer). Sets no error.
int32_t SendCommand(ChipDevice* device, int32_t selector, uint8_t command,
                    std::span<const uint8_t> payload);
// Reads one reply into the shared block buffer: 512 (or what arrived), 0 for none.
int32_t ReadReply(ChipDevice* device);
// True when the shared block buffer holds the OK reply.
bool IsReplyOk();
// Asks the player to stop the running transfer; the result is of no interest.
void SendCancelRequest(ChipDevice* device);

class ChipChannel final : public operations::PlayerChannel {
 public:
  // `withWindow`: the progress display is a progress window owned by `owner`; else none.
  explicit ChipChannel(ChipDevice* device, WindowHandle owner = nullptr, bool withWindow = false)
      : device_(device), owner_(owner), withWindow_(withWindow) {}
  ~ChipChannel() override { ChipChannel::CloseProgress(); }
  ChipChannel(const ChipChannel&) = delete;
  ChipChannel& operator=(const ChipChannel&) = delete;

  // A selector from -2 to 1.
  bool SendCommand(int32_t selector, uint8_t code, std::span<const uint8_t> payload) override;
  bool ReadReply() override;
  std::span<uint8_t, 512> Block() override;
  bool SendData(std::span<uint8_t> data) override;
  bool ReceiveData(std::span<uint8_t> data) override;
  void Stop() override { SendCancelRequest(device_); }
  void SetTimeouts(uint32_t readMs, uint32_t writeMs) override {
    chip::SetTimeouts(readMs, writeMs);
  }
  void SetError(int32_t code) override { chip::SetError(code); }
  void SetWindowsError(uint32_t windowsError) override { chip::SetWindowsError(windowsError); }
  platform::TransferBuffer::Allocator Allocator() override;
  void OpenProgress(uint32_t titleId, int32_t index, const char* status, uint32_t total) override;
  void SetProgressRange(uint32_t low, uint32_t high, const char* status) override;
  void UpdateProgress(uint32_t position, uint32_t startTick) override;
  // Lets the window work; while the copy is paused it waits here for the user.
  bool Cancelled() override;
  void CloseProgress() override;
  std::string LoadText(uint32_t id, size_t limit) override;
  void ReportStage(int32_t stage, uint32_t total) override;

 private:
  ChipDevice* device_;
  WindowHandle owner_;
  bool withWindow_;
  ProgressSetup setup_{};
  WindowHandle window_ = nullptr;
  bool open_ = false;
};

}  // namespace vorpex::chip
