// The simulated player as the driver faces see it: the device model behind its pipes, the
// faults a test can arm, the wire log, the time a transfer takes, and the state directory
// that keeps the player between runs (saved after every change).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "sim/player_model.h"
#include "sim/state_dir.h"
#include "sim/wire_log.h"

namespace vorpex::sim {

struct Faults {
  bool unplugged = false;  // every transfer fails at once; a scan finds no player
  uint32_t slowMs = 0;     // every bulk transfer takes this long (failing past its time-out)
  // Short and stalled transfers and unplugs aimed at a bulk transfer (any target but kReply).
  AimedFaults aimed;
};

// A real wait for a time-out never lasts longer than this (virtual time waits it all).
inline constexpr uint32_t kLongestRealWaitMs = 10000;

class Player {
 public:
  // The player kept in `dir`, holding the folder for this program until it is destroyed;
  // nullptr with the reason in `error` when `dir` holds no player, cannot be read or written,
  // or another program holds it.
  static std::unique_ptr<Player> Load(const std::string& dir, std::string& error);
  // A player only in memory (tests of the model and faces).
  explicit Player(PlayerData data, std::string dir = {},
                  std::optional<StateDirLock> lock = std::nullopt);
  // The model keeps its changes through this player: it stays where it was made.
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  bool Present() const { return model_.data().settings.present && !faults.unplugged; }
  const PlayerSettings& settings() const { return model_.data().settings; }

  // The three pipes. Results: bytes moved, or nullopt when the transfer failed.
  std::optional<uint32_t> BulkOut(uint32_t pipe, std::span<const uint8_t> data, uint32_t timeoutMs);
  std::optional<uint32_t> BulkIn(uint32_t pipe, std::span<uint8_t> data, uint32_t timeoutMs);
  // A control transfer; the player knows one request: the cancel (vendor request 1, no data).
  std::optional<uint32_t> Control(std::span<const uint8_t, 8> setup, std::span<uint8_t> data);
  // Halting or resetting a pipe ends the transfer in progress, as the abort message does.
  void Halt(uint32_t pipe);
  void ResetPipe(uint32_t pipe);
  // The abort message (`bytes`) on `pipe`; false, changing nothing, when the player is gone.
  bool Abort(uint32_t pipe, std::span<const uint8_t> bytes);

  // Appends a raw directory slot (with its file's data) to memory 0 or 1 and saves; false,
  // adding nothing, when the memory has no room for another slot, another file or the file's
  // bytes, or the slot cannot be saved.
  bool AddSlot(int memory, StoredSlot slot);

  // Arms a fault aimed at one exchange: reply faults go to the model, the others stay here.
  // False when the kind cannot strike at that target (a reply fault at a transfer, a transfer
  // fault at a reply) or a counted target has a count of 0.
  bool Aim(const AimedFault& fault);

  PlayerModel& model() { return model_; }
  WireLog& log() { return log_; }
  // Whether players made from now on keep their wire log (off at first: a log nobody reads
  // costs nothing).
  static void KeepLogs(bool on);
  Faults faults;
  // Unplugs or plugs the player back in. Unplugged, it loses what it was doing
  // (PlayerModel::PowerLoss). Handles to its driver files opened before an unplug stay dead
  // after it comes back, as they do on a real system.
  void SetUnplugged(bool unplugged);
  uint32_t unplugCount() const { return unplugCount_; }
  // Logs a transfer or request refused as breaking the protocol, and counts it.
  void RecordViolation(uint32_t pipe, std::span<const uint8_t> bytes, const std::string& why);
  // Transfers refused as breaking the protocol since the player was loaded.
  uint32_t violations() const { return violations_; }
  const std::string& lastSaveError() const { return saveError_; }

 private:
  // Waits `ms` (virtual time advances; real time is bounded by kLongestRealWaitMs).
  static void Wait(uint32_t ms);
  // Slow device and stall: true when the transfer may go ahead.
  bool Pace(uint32_t timeoutMs, bool stall);
  // The aimed fault, if any, that strikes at this transfer; an unplug takes effect at once.
  std::optional<AimKind> StrikeTransfer(AimAt direction, std::span<const uint8_t> out);
  // Saves the player into its state directory; false (the reason in lastSaveError) when it
  // could not.
  bool Save();

  PlayerModel model_;
  std::string dir_;
  std::optional<StateDirLock> lock_;
  WireLog log_;
  uint32_t violations_ = 0;
  uint32_t unplugCount_ = 0;
  std::string saveError_;
};

}  // namespace vorpex::sim
