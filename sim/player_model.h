// The player as a device: command blocks and data in, reply blocks and data out. No transport,
// no files and no clock here; the driver faces carry the bytes and the state directory keeps
// the data between runs.
//
// Behaviour where the host cannot tell (kept stable, tests rely on it):
// - Refusals are reply blocks 23 00 03 3A ss 2E with status ss: 1 no such entry or a bad
//   argument (and a refusal a test aimed), 2 no room (memory or directory full), 3 not in the
//   right state for the command (an area write without upgrade mode or without an erase of
//   that area first), 4 the memory failed (the change could not be kept; it is taken back; or
//   the file to read or to write cannot be read or started where the player keeps its files).
// - A change the player cannot keep (`keep` fails) is never reported as done: the OK reply of
//   the command that made it becomes refusal 4, and a file whose last data block cannot be
//   kept fails that block's transfer. Either way the player holds what it held before. A file
//   whose bytes cannot be written as they arrive, or read as they go out, fails that transfer
//   and ends the data phase; nothing of it is kept.
// - "P" with two payload bytes (replace) swaps the entries `index` and `second`; both must exist.
//   With three or more bytes it renames entry `index` to the short name that follows.
// - A new file takes the first free slot (never used, or deleted) and so the entry index of
//   that place; the OK reply to "W" carries it at byte 6. Deleting marks the slot 0xE5.
// - "W" with a short name that an entry already has is accepted: the directory is a flat list
//   addressed by entry index, so the new file is a second entry of that name beside the first.
//   Nothing is replaced and no room is wasted on a refusal the host would report as a full disk.
// - The directory read answers with the header, then, unless it announces no entries, as many
//   directory blocks as the announced slot count takes (trailing unused slots are not
//   announced). A test can override the announced entry and slot counts; the blocks follow
//   the announced count, holding the stored slots in order and zero-filled beyond them.
// - The three formats ("F", "C" MP3, "V" voice) all empty the memory; the kind is remembered.
// - The device-information reply is 23 00 16 3A, the 20 bytes of the settings, 2E.
// - After the final reply of an area write the player leaves upgrade mode.
// - Strictness: a block that breaks the protocol is not taken at all (the transfer fails) and
//   reported as a violation: not 512 bytes, bad head, length or terminator, unknown letter or
//   code, a payload of the wrong length, a command while file data is still due in either
//   direction, data that is not whole 512-byte units or more than announced, an IN read that is
//   not whole 512-byte units. Reply blocks the host left unread are dropped at its next command.
//   While data is due, every 512-byte unit is data, whatever it looks like: strictness is about
//   lengths and phases, never contents.
// - Aimed faults strike at a reply block (reply blocks and directory blocks count, file data
//   does not): a refused reply is sent as a refusal, a dropped one not at all, and either way
//   the command sends nothing after it and takes no effect if it was its first reply.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/aimed_faults.h"
#include "sim/player_data.h"

namespace vorpex::sim {

enum class Phase { kCommand, kReceiveFile, kReceiveArea, kSendFile };

struct Outcome {
  bool accepted = true;
  std::string violation;  // why the bytes were not taken
  bool unkept = false;    // taken, but what they made could not be kept: the transfer fails
};

class PlayerModel {
 public:
  explicit PlayerModel(PlayerData data) : data_(std::move(data)) {}

  // One OUT transfer of the host.
  Outcome Receive(std::span<const uint8_t> bytes);
  // One IN transfer of the host: bytes of the first waiting reply or data, at most `out.size()`.
  // Nothing waiting gives 0 bytes; a read that is not whole 512-byte units is a violation.
  Outcome Deliver(std::span<uint8_t> out, size_t& delivered);
  bool HasOutput() const { return !output_.empty() || outgoing_ != nullptr; }
  // The cancel request or abort message: ends a data phase in either direction. A partly
  // received file or area is discarded.
  void Cancel();
  // The player loses power (unplugged): it forgets the command it was answering, the transfer
  // in progress and upgrade mode; what it stores stays.
  void PowerLoss();

  // Faults the player itself shows: refused or dropped replies (kReply and kCommand targets
  // only), and a memory that refuses every "W" for want of room.
  AimedFaults replyFaults;
  bool memoryFull = false;
  // What the directory read of memory 0 or 1 announces instead of the counted figures.
  struct HeaderOverride {
    std::optional<uint16_t> entries;
    std::optional<uint16_t> slots;
  };
  std::array<HeaderOverride, 2> headerOverrides;

  Phase phase() const { return phase_; }
  bool upgradeMode() const { return upgradeMode_; }
  uint8_t upgradeModeByte() const { return upgradeModeByte_; }
  const PlayerData& data() const { return data_; }
  PlayerData& data() { return data_; }
  // Keeps what lives between runs after each change (the state directory); false when it
  // could not. Unset: the player lives in memory only.
  std::function<bool()> keep;

 private:
  Outcome Command(std::span<const uint8_t> block);
  Outcome ReceiveFileData(std::span<const uint8_t> bytes);
  Outcome ReceiveAreaData(std::span<const uint8_t> bytes);
  Outcome MemoryCommand(size_t index, uint8_t code, std::span<const uint8_t> payload);
  Outcome UpgradeCommand(uint8_t letter, uint8_t code, std::span<const uint8_t> payload);
  void ReadDirectory(const Memory& memory, const HeaderOverride& announced);
  void WriteFile(Memory& memory, std::span<const uint8_t> payload);
  void RenameOrReplace(Memory& memory, std::span<const uint8_t> payload);
  // Queues a reply unless an aimed fault strikes it; false when the command must send nothing
  // more (and take no effect).
  bool Answer(std::vector<uint8_t> reply);
  bool AnswerOk();
  void Refuse(uint8_t status);
  // Keeps a change just made; false when it could not be kept (the caller takes it back).
  bool Kept();
  // The OK reply just queued becomes the refusal of a memory that failed.
  void FailLastReply();
  // Stores the file received; false, storing nothing, when it could not be kept.
  bool CommitFile();
  // Lets go of a file partly received: nothing of it stays.
  void DropIncoming();
  // The next bytes of the file going out.
  Outcome DeliverFile(std::span<uint8_t> out, size_t& delivered);

  PlayerData data_;
  Phase phase_ = Phase::kCommand;
  std::deque<std::vector<uint8_t>> output_;
  std::optional<CommandId> firstReplyOf_;  // the command whose first reply is due
  size_t frontOffset_ = 0;
  bool upgradeMode_ = false;
  uint8_t upgradeModeByte_ = 0;
  std::array<bool, 2> erased_{};  // boot, codec: erased since upgrade mode began

  // The file or area being received.
  Memory* pendingMemory_ = nullptr;
  size_t pendingSlot_ = 0;
  protocol::Slot pendingRaw_{};
  uint32_t pendingSize_ = 0;
  size_t pendingWireLeft_ = 0;
  uint64_t pendingFileLeft_ = 0;            // bytes of the file still to come (no padding)
  std::unique_ptr<IncomingFile> incoming_;  // where they go
  uint32_t nextDataFileBefore_ = 0;         // taken back when the file is dropped
  std::vector<uint8_t> pendingData_;        // an area's bytes
  bool pendingBoot_ = false;

  // The file being sent: its bytes, then zeros up to whole 512-byte units.
  std::unique_ptr<OutgoingFile> outgoing_;
  uint64_t outgoingFileLeft_ = 0;
  uint64_t outgoingWireLeft_ = 0;
};

}  // namespace vorpex::sim
