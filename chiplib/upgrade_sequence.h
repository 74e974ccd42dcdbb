// The firmware upgrade exchange, written once for both libraries: each supplies its own command
// channel, error state, time-outs and progress window through UpgradeLink.
#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace vorpex::upgrade {

inline constexpr uint32_t kUpgradeTimeoutMs = 5000000;
inline constexpr uint32_t kPauseMs = 1000;
inline constexpr uint64_t kMaxBootImage = 8192;

inline constexpr int kSelectorUpgradeMode = -2;  // "G"
inline constexpr int kSelectorUpgradeArea = -1;  // "C"

class UpgradeLink {
 public:
  virtual ~UpgradeLink() = default;

  // The command channel: a command block built and sent, a 512-byte reply read into the shared
  // block, and a 512-byte data block sent from it.
  virtual bool SendCommand(int selector, uint8_t code, std::span<const uint8_t> payload) = 0;
  virtual bool ReadReply() = 0;
  virtual bool ReplyOk() = 0;
  virtual std::span<uint8_t, 512> Block() = 0;
  virtual bool SendBlock() = 0;

  // The upgrade failed after the write command went out: the player may still be waiting for
  // image blocks, and would take the next command as one.
  virtual void StopImage() = 0;

  virtual void SetTimeouts(uint32_t readMs, uint32_t writeMs) = 0;
  // Between the pause after the upgrade-mode command and its reply.
  virtual void AfterModePause() {}

  virtual void SetError(int32_t code) = 0;
  // 0 takes the system's last error.
  virtual void SetWindowsError(uint32_t windowsError) = 0;

  // The progress window: its title and the erase texts are string resources.
  virtual void OpenProgress(void* parentWindow, uint32_t titleId) = 0;
  virtual void SetProgressRange(uint32_t low, uint32_t high, const char* status) = 0;
  virtual void UpdateProgress(uint32_t position, uint32_t startTick) = 0;
  virtual void CloseProgress() = 0;
  // The upgrade reached `stage` (VORPEX_STAGE_*) with an image of `total` bytes: told to the host.
  virtual void ReportStage(int32_t stage, uint32_t total) = 0;
  virtual std::string LoadText(uint32_t id, size_t limit) = 0;
};

// Writes the image at `imagePath` into the boot area (kind nonzero) or the codec area: 1 when the
// player acknowledged it all, 0 with the reason recorded through the link.
int32_t RunUpgrade(UpgradeLink& link, void* parentWindow, int32_t kind, int32_t mode,
                   const char* imagePath, const char* statusText);

}  // namespace vorpex::upgrade
