// The player as an operation sees it: a command channel, a data phase, the stop request, the
// library's error state and time-outs, and a progress display with its Cancel. Each library
// implements it over its own transport (the chip library over the WinDriver pipes, the device
// library over the driver files of its session); the operations beside this file are written once
// over it.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/transfer_buffer.h"
#include "protocol/command_block.h"

namespace vorpex::operations {

class PlayerChannel {
 public:
  virtual ~PlayerChannel() = default;

  // Builds the command block for `selector` (the library's memory or area number, negative for
  // the upgrade's letters) in Block() and sends it: false when it was not sent (a selector
  // without a letter, a payload that does not fit, a failed transfer). Records no error.
  virtual bool SendCommand(int32_t selector, uint8_t code, std::span<const uint8_t> payload) = 0;
  // Reads one 512-byte reply into Block(): false when nothing arrived. Records no error.
  virtual bool ReadReply() = 0;
  // The block that commands are built in and replies read into; it also serves as the data
  // buffer of last resort. Its contents stay until the next command or reply.
  virtual std::span<uint8_t, 512> Block() = 0;
  // Whether Block() holds the OK reply.
  bool ReplyOk() { return protocol::IsReplyOk(Block()); }

  // The data phase of a copy or an upgrade, in whole 512-byte units: true only when every byte
  // of `data` moved. Records no error.
  virtual bool SendData(std::span<uint8_t> data) = 0;
  virtual bool ReceiveData(std::span<uint8_t> data) = 0;
  // Tells the player to drop the running transfer (the cancel request or the abort message),
  // so that it waits for a command again. Its result is of no interest.
  virtual void Stop() = 0;

  // Sets the read and write time-outs of the transfers that follow.
  virtual void SetTimeouts(uint32_t readMs, uint32_t writeMs) = 0;
  // Called between the upgrade-mode command's pause and its reply.
  virtual void AfterModePause() {}

  // Records `code` as the library's error.
  virtual void SetError(int32_t code) = 0;
  // Records code 6 with `windowsError`, or with the system's last error as this library sees it
  // when `windowsError` is 0.
  virtual void SetWindowsError(uint32_t windowsError) = 0;
  // Where the chunk buffer of a copy is allocated (a test may make allocation fail).
  virtual platform::TransferBuffer::Allocator Allocator() {
    return platform::TransferBuffer::HeapAllocate;
  }

  // The progress display of a copy or an upgrade; each does nothing where the call shows none.
  // Opens it: caption from string `titleId`, `index` shown when 0 or more, a status line, the
  // total it counts towards.
  virtual void OpenProgress(uint32_t titleId, int32_t index, const char* status,
                            uint32_t total) = 0;
  // The range of the bar and, when not null, a new status line.
  virtual void SetProgressRange(uint32_t low, uint32_t high, const char* status) = 0;
  // Bytes done; `startTick` (the tick count when the data began, or 0) gives the speed.
  virtual void UpdateProgress(uint32_t position, uint32_t startTick) = 0;
  // Asked before each chunk of a copy: true when the user asked to cancel it. It may wait here
  // while the user has paused the copy.
  virtual bool Cancelled() { return false; }
  // Closes it; closing a display that is not open does nothing.
  virtual void CloseProgress() = 0;
  // String `id` of the chip library's table, at most `limit` characters; empty when missing.
  virtual std::string LoadText(uint32_t id, size_t limit) = 0;
  // The upgrade reached `stage` (VORPEX_STAGE_*) with an image of `total` bytes: told to the
  // program hosting the user interface.
  virtual void ReportStage(int32_t stage, uint32_t total) = 0;
};

}  // namespace vorpex::operations
