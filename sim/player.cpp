#include "sim/player.h"

#include <algorithm>
#include <atomic>

#include "platform/clock.h"
#include "protocol/command_block.h"

namespace vorpex::sim {
namespace {

std::atomic<bool> keepLogs{false};

}  // namespace

void Player::KeepLogs(bool on) {
  keepLogs = on;
}

std::unique_ptr<Player> Player::Load(const std::string& dir, std::string& error) {
  // Checked before the lock is taken, which would make the folder.
  if (!HoldsPlayer(dir, error)) return nullptr;
  auto lock = StateDirLock::Take(dir, error);
  if (!lock) return nullptr;
  auto data = LoadStateDir(dir, error);
  if (!data) return nullptr;
  return std::make_unique<Player>(std::move(*data), dir, std::move(lock));
}

Player::Player(PlayerData data, std::string dir, std::optional<StateDirLock> lock)
    : model_(std::move(data)), dir_(std::move(dir)), lock_(std::move(lock)) {
  if (!dir_.empty()) model_.keep = [this] { return Save(); };
  log_.Keep(keepLogs);
}

void Player::Wait(uint32_t ms) {
  platform::SleepMs(platform::IsVirtualClock() ? ms : std::min(ms, kLongestRealWaitMs));
}

bool Player::Pace(uint32_t timeoutMs, bool stall) {
  if (stall) {
    Wait(timeoutMs);
    return false;
  }
  if (faults.slowMs > 0) {
    if (faults.slowMs > timeoutMs) {
      Wait(timeoutMs);
      return false;
    }
    Wait(faults.slowMs);
  }
  return true;
}

void Player::RecordViolation(uint32_t pipe, std::span<const uint8_t> bytes,
                             const std::string& why) {
  ++violations_;
  log_.Add(LogKind::kViolation, pipe, false, bytes, why);
}

bool Player::Save() {
  std::string error;
  if (SaveStateDir(dir_, model_.data(), error)) return true;
  saveError_ = error;
  return false;
}

bool Player::Aim(const AimedFault& fault) {
  const bool replyKind = fault.kind == AimKind::kRefuseReply || fault.kind == AimKind::kDropReply;
  if (fault.at != AimAt::kCommand && fault.count == 0) return false;
  if (fault.at == AimAt::kReply && !replyKind) return false;
  if (fault.at != AimAt::kReply && fault.at != AimAt::kCommand && replyKind) return false;
  (replyKind ? model_.replyFaults : faults.aimed).Add(fault);
  return true;
}

std::optional<AimKind> Player::StrikeTransfer(AimAt direction, std::span<const uint8_t> out) {
  std::optional<CommandId> command;
  if (direction == AimAt::kTransferOut && model_.phase() == Phase::kCommand) {
    if (const auto parsed = protocol::ParseCommandBlock(out)) {
      command = CommandId{parsed->letter, parsed->code};
    }
  }
  const auto struck = faults.aimed.Strike(direction, command);
  if (struck == AimKind::kUnplug) SetUnplugged(true);
  return struck;
}

std::optional<uint32_t> Player::BulkOut(uint32_t pipe, std::span<const uint8_t> data,
                                        uint32_t timeoutMs) {
  const auto struck = Present() ? StrikeTransfer(AimAt::kTransferOut, data) : std::nullopt;
  if (!Present()) {
    log_.Add(LogKind::kOut, pipe, false, data, "no player");
    return std::nullopt;
  }
  if (!Pace(timeoutMs, struck == AimKind::kStallTransfer)) {
    log_.Add(LogKind::kOut, pipe, false, data, "time-out");
    return std::nullopt;
  }
  size_t moved = data.size();
  if (struck == AimKind::kShortTransfer) {
    moved = data.size() / protocol::kBlockSize / 2 * protocol::kBlockSize;
    if (moved == 0) {
      log_.Add(LogKind::kOut, pipe, true, {}, "short transfer");
      return 0;
    }
  }
  const auto taken = data.first(moved);
  const Outcome outcome = model_.Receive(taken);
  if (!outcome.accepted) {
    RecordViolation(pipe, taken, outcome.violation);
    return std::nullopt;
  }
  if (outcome.unkept) {
    log_.Add(LogKind::kOut, pipe, false, taken, "memory failure: " + saveError_);
    return std::nullopt;
  }
  log_.Add(LogKind::kOut, pipe, true, taken, moved < data.size() ? "short transfer" : "");
  return static_cast<uint32_t>(moved);
}

std::optional<uint32_t> Player::BulkIn(uint32_t pipe, std::span<uint8_t> data, uint32_t timeoutMs) {
  const auto struck = Present() ? StrikeTransfer(AimAt::kTransferIn, {}) : std::nullopt;
  if (!Present()) {
    log_.Add(LogKind::kIn, pipe, false, {}, "no player");
    return std::nullopt;
  }
  if (!Pace(timeoutMs, struck == AimKind::kStallTransfer)) {
    log_.Add(LogKind::kIn, pipe, false, {}, "time-out");
    return std::nullopt;
  }
  std::span<uint8_t> target = data;
  const bool shortened = struck == AimKind::kShortTransfer;
  if (shortened) {
    target = data.first(data.size() / protocol::kBlockSize / 2 * protocol::kBlockSize);
    if (target.empty()) {
      log_.Add(LogKind::kIn, pipe, true, {}, "short transfer");
      return 0;
    }
  }
  if (!model_.HasOutput() && target.size() % protocol::kBlockSize == 0 && !target.empty()) {
    // Nothing to deliver: the read waits its time-out and fails.
    Wait(timeoutMs);
    log_.Add(LogKind::kIn, pipe, false, {}, "time-out, nothing to read");
    return std::nullopt;
  }
  size_t delivered = 0;
  const Outcome outcome = model_.Deliver(target, delivered);
  if (!outcome.accepted) {
    RecordViolation(pipe, {}, outcome.violation);
    return std::nullopt;
  }
  if (outcome.unkept) {
    log_.Add(LogKind::kIn, pipe, false, {}, "memory failure: the file cannot be read");
    return std::nullopt;
  }
  log_.Add(LogKind::kIn, pipe, true, data.first(delivered), shortened ? "short transfer" : "");
  return static_cast<uint32_t>(delivered);
}

std::optional<uint32_t> Player::Control(std::span<const uint8_t, 8> setup,
                                        std::span<uint8_t> data) {
  if (!Present()) {
    log_.Add(LogKind::kControl, 0, false, setup, "no player");
    return std::nullopt;
  }
  if (!std::equal(setup.begin(), setup.end(), protocol::kCancelSetup.begin()) || !data.empty()) {
    RecordViolation(0, setup, "unknown control request");
    return std::nullopt;
  }
  model_.Cancel();
  log_.Add(LogKind::kControl, 0, true, setup, "cancel");
  return 0;
}

bool Player::AddSlot(int memory, StoredSlot slot) {
  Memory& m = model_.data().memories[static_cast<size_t>(memory)];
  if (m.slots.size() >= kMaxSlots) return false;
  if (protocol::IsFileSlot(slot.raw) &&
      (m.FileCount() >= kMaxFiles ||
       m.UsedUnits() + uint64_t{UnitsFor(protocol::DecodeSlot(slot.raw).size)} > m.capacity)) {
    return false;
  }
  m.slots.push_back(std::move(slot));
  if (dir_.empty() || Save()) return true;
  m.slots.pop_back();
  return false;
}

void Player::Halt(uint32_t pipe) {
  model_.Cancel();
  log_.Add(LogKind::kHalt, pipe, true);
}

void Player::ResetPipe(uint32_t pipe) {
  model_.Cancel();
  log_.Add(LogKind::kReset, pipe, true);
}

bool Player::Abort(uint32_t pipe, std::span<const uint8_t> bytes) {
  if (!Present()) {
    log_.Add(LogKind::kAbort, pipe, false, bytes, "no player");
    return false;
  }
  model_.Cancel();
  log_.Add(LogKind::kAbort, pipe, true, bytes);
  return true;
}

void Player::SetUnplugged(bool unplugged) {
  if (unplugged && !faults.unplugged) {
    ++unplugCount_;
    model_.PowerLoss();
  }
  faults.unplugged = unplugged;
}

}  // namespace vorpex::sim
