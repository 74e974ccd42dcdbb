// The simulated player's control interface (playersim.h): thin C wrappers over the one
// simulated player of the process, which this library keeps.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

#include "operations/export_barrier.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "playersim.h"
#include "sim/player.h"
#include "sim/simulator.h"
#include "sim/state_dir.h"
#include "sim/vizu10_face.h"
#include "sim/windriver_face.h"

using namespace vorpex;

namespace {

sim::Player* Attached() {
  return sim::ActivePlayer();
}

// What the export barrier records of a failure: the simulator has no error code of its own, so
// the reason goes to its message.
void RecordFailure(int32_t code) {
  sim::GetSimulator().message =
      code == VORPEX_ERR_MEMORY_ALLOC ? "out of memory" : "internal error";
}

// Settings as callers compiled before the Vizu10 fields pass them.
constexpr uint32_t kSettingsSizeBeforeVizu10 = offsetof(PlayerSimSettings, interfaceCount);

bool KnownSettingsSize(uint32_t size) {
  return size == sizeof(PlayerSimSettings) || size == kSettingsSizeBeforeVizu10;
}

sim::PlayerSettings FromC(const PlayerSimSettings& c) {
  sim::PlayerSettings s;
  s.capacity = {c.capacityM, c.capacityS};
  s.driverVersion = c.driverVersion;
  s.present = c.playerPresent != 0;
  s.refuseRegistration = c.refuseRegistration != 0;
  s.endpointCount = c.endpointCount;
  std::copy(std::begin(c.deviceInfo), std::end(c.deviceInfo), s.deviceInfo.begin());
  if (c.size == kSettingsSizeBeforeVizu10) return s;
  s.interfaceCount = c.interfaceCount;
  s.refuseOpenMask = c.refuseOpenMask;
  s.configurationLength = c.configurationLength;
  std::copy_n(c.endpointAddresses, s.endpointAddresses.size(), s.endpointAddresses.begin());
  return s;
}

// The aimable kinds among the one-shot faults.
std::optional<sim::AimKind> OneShotKind(int32_t fault) {
  switch (fault) {
    case PLAYERSIM_FAULT_REFUSE_NEXT_REPLY:
      return sim::AimKind::kRefuseReply;
    case PLAYERSIM_FAULT_DROP_NEXT_REPLY:
      return sim::AimKind::kDropReply;
    case PLAYERSIM_FAULT_SHORT_TRANSFER:
      return sim::AimKind::kShortTransfer;
    case PLAYERSIM_FAULT_STALL_TRANSFER:
      return sim::AimKind::kStallTransfer;
    default:
      return std::nullopt;
  }
}

uint32_t CopyOut(std::span<const uint8_t> from, uint8_t* buffer, uint32_t capacity) {
  if (buffer != nullptr) std::copy_n(from.begin(), std::min<size_t>(capacity, from.size()), buffer);
  return static_cast<uint32_t>(from.size());
}

}  // namespace

extern "C" {

void VORPEX_CC PlayerSim_DefaultSettings(PlayerSimSettings* settings) {
  RunExport(RecordFailure, [&] {
    if (settings == nullptr) return;
    const sim::PlayerSettings s;
    *settings = PlayerSimSettings{};
    settings->size = sizeof(PlayerSimSettings);
    settings->capacityM = s.capacity[0];
    settings->capacityS = s.capacity[1];
    settings->driverVersion = s.driverVersion;
    settings->playerPresent = s.present ? 1 : 0;
    settings->refuseRegistration = s.refuseRegistration ? 1 : 0;
    settings->endpointCount = s.endpointCount;
    std::copy(s.deviceInfo.begin(), s.deviceInfo.end(), settings->deviceInfo);
    settings->interfaceCount = s.interfaceCount;
    settings->refuseOpenMask = s.refuseOpenMask;
    settings->configurationLength = s.configurationLength;
    std::copy(s.endpointAddresses.begin(), s.endpointAddresses.end(), settings->endpointAddresses);
  });
}

int32_t VORPEX_CC PlayerSim_CreateStateDir(const char* dir, const PlayerSimSettings* settings) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    if (dir == nullptr || settings == nullptr || !KnownSettingsSize(settings->size)) {
      sim::GetSimulator().message = "no directory, or settings of another size";
      return 0;
    }
    return sim::CreatePlayer(dir, FromC(*settings)) ? 1 : 0;
  });
}

int32_t VORPEX_CC PlayerSim_Attach(const char* dir) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    if (dir == nullptr) return 0;
    return sim::Attach(dir) ? 1 : 0;
  });
}

void VORPEX_CC PlayerSim_Detach(void) {
  RunExport(RecordFailure, [&] { sim::Detach(); });
}

int32_t VORPEX_CC PlayerSim_IsAttached(void) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t { return Attached() != nullptr ? 1 : 0; });
}

uint32_t VORPEX_CC PlayerSim_GetMessage(char* buffer, uint32_t size) {
  return RunExport(RecordFailure, 0, [&]() -> uint32_t {
    const std::string* source = &sim::GetSimulator().message;
    if (source->empty() && Attached() != nullptr) source = &Attached()->lastSaveError();
    const std::string& message = *source;
    if (buffer != nullptr && size > 0) {
      const size_t n = std::min<size_t>(size - 1, message.size());
      std::memcpy(buffer, message.data(), n);
      buffer[n] = '\0';
    }
    return static_cast<uint32_t>(message.size());
  });
}

int32_t VORPEX_CC PlayerSim_SetFault(int32_t fault, uint32_t value) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    if (player == nullptr) return 0;
    const bool on = value != 0;
    if (fault == PLAYERSIM_FAULT_UNPLUG) {
      if (!on) player->faults.aimed.Clear(sim::AimKind::kUnplug);
      player->SetUnplugged(on);
    } else if (fault == PLAYERSIM_FAULT_MEMORY_FULL) {
      player->model().memoryFull = on;
    } else if (fault == PLAYERSIM_FAULT_SLOW_DEVICE) {
      player->faults.slowMs = value;
    } else if (const auto kind = OneShotKind(fault)) {
      // The one-shot kinds strike at the next reply or transfer.
      if (!on) {
        player->model().replyFaults.Clear(*kind);
        player->faults.aimed.Clear(*kind);
      } else {
        const bool reply = *kind == sim::AimKind::kRefuseReply || *kind == sim::AimKind::kDropReply;
        player->Aim({*kind, reply ? sim::AimAt::kReply : sim::AimAt::kTransfer, 1});
      }
    } else {
      return 0;
    }
    return 1;
  });
}

int32_t VORPEX_CC PlayerSim_AimFault(int32_t fault, int32_t target, uint32_t count, uint8_t letter,
                                     uint8_t code) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    const auto kind = fault == PLAYERSIM_FAULT_UNPLUG ? sim::AimKind::kUnplug : OneShotKind(fault);
    if (player == nullptr || !kind || target < PLAYERSIM_AT_REPLY ||
        target > PLAYERSIM_AT_COMMAND) {
      return 0;
    }
    static constexpr sim::AimAt kTargets[] = {sim::AimAt::kReply, sim::AimAt::kTransfer,
                                              sim::AimAt::kTransferOut, sim::AimAt::kTransferIn,
                                              sim::AimAt::kCommand};
    return player->Aim({*kind, kTargets[target - PLAYERSIM_AT_REPLY], count, letter, code}) ? 1 : 0;
  });
}

int32_t VORPEX_CC PlayerSim_SetDirectoryHeader(int32_t memory, int32_t entries, int32_t slots) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    auto valid = [](int32_t n) { return n >= -1 && n <= 0xFFFF; };
    if (player == nullptr || (memory != 0 && memory != 1) || !valid(entries) || !valid(slots)) {
      return 0;
    }
    auto announced = [](int32_t n) {
      return n < 0 ? std::nullopt : std::optional(static_cast<uint16_t>(n));
    };
    player->model().headerOverrides[static_cast<size_t>(memory)] = {announced(entries),
                                                                    announced(slots)};
    return 1;
  });
}

void VORPEX_CC PlayerSim_ClearFaults(void) {
  RunExport(RecordFailure, [&] {
    sim::Player* player = Attached();
    if (player == nullptr) return;
    player->faults = {};
    player->model().replyFaults.Clear();
    player->model().memoryFull = false;
    player->model().headerOverrides = {};
  });
}

uint32_t VORPEX_CC PlayerSim_LogCount(void) {
  return RunExport(RecordFailure, 0, [&]() -> uint32_t {
    sim::Player* player = Attached();
    return player == nullptr ? 0 : static_cast<uint32_t>(player->log().entries().size());
  });
}

int32_t VORPEX_CC PlayerSim_LogEntry(uint32_t index, PlayerSimLogEntry* entry, uint8_t* bytes,
                                     uint32_t capacity) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    if (player == nullptr || entry == nullptr || entry->size != sizeof(PlayerSimLogEntry)) return 0;
    const auto& entries = player->log().entries();
    if (index >= entries.size()) return 0;
    const sim::LogEntry& e = entries[index];
    entry->kind = static_cast<int32_t>(e.kind);
    entry->pipe = e.pipe;
    entry->ok = e.ok ? 1 : 0;
    entry->length = CopyOut(e.bytes, bytes, capacity);
    return 1;
  });
}

void VORPEX_CC PlayerSim_KeepLog(int32_t on) {
  RunExport(RecordFailure, [&] {
    sim::Player::KeepLogs(on != 0);
    if (sim::Player* player = Attached()) player->log().Keep(on != 0);
  });
}

void VORPEX_CC PlayerSim_ClearLog(void) {
  RunExport(RecordFailure, [&] {
    if (sim::Player* player = Attached()) player->log().Clear();
  });
}

int32_t VORPEX_CC PlayerSim_WriteLog(const char* path) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    if (player == nullptr || path == nullptr) return 0;
    const std::string text = player->log().Text();
    auto file = platform::File::Open(path, platform::Access::kWrite, platform::Share::kNone,
                                     platform::Disposition::kCreateAlways);
    return file && file->Write(
                       std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()))
               ? 1
               : 0;
  });
}

uint32_t VORPEX_CC PlayerSim_Violations(void) {
  return RunExport(RecordFailure, 0, [&]() -> uint32_t {
    sim::Player* player = Attached();
    return player == nullptr ? 0 : player->violations();
  });
}

void VORPEX_CC PlayerSim_DriverUse(uint32_t* handles, uint32_t* devices) {
  RunExport(RecordFailure, [&] {
    const auto& driver = sim::GetSimulator().driver;
    if (handles != nullptr) *handles = driver ? static_cast<uint32_t>(driver->OpenHandles()) : 0;
    if (devices != nullptr)
      *devices = driver ? static_cast<uint32_t>(driver->RegisteredDevices()) : 0;
  });
}

uint32_t VORPEX_CC PlayerSim_Vizu10Handles(void) {
  return RunExport(RecordFailure, 0, [&]() -> uint32_t {
    const auto& face = sim::GetSimulator().vizu10;
    return face ? static_cast<uint32_t>(face->OpenHandles()) : 0;
  });
}

void VORPEX_CC PlayerSim_UseVirtualTime(int32_t on) {
  RunExport(RecordFailure, [&] {
    if (on) {
      platform::UseVirtualClock(1000000, {2005, 3, 1, 7, 14, 30, 58, 0});
    } else {
      platform::UseRealClock();
    }
  });
}

uint64_t VORPEX_CC PlayerSim_ElapsedMs(void) {
  return RunExport(RecordFailure, 0, [&]() -> uint64_t { return platform::VirtualElapsedMs(); });
}

uint64_t VORPEX_CC PlayerSim_BusyMicroseconds(void) {
  return RunExport(RecordFailure, 0, [&]() -> uint64_t {
    const auto& driver = sim::GetSimulator().driver;
    return driver ? driver->BusyNanoseconds() / 1000 : 0;
  });
}

uint32_t VORPEX_CC PlayerSim_ReadArea(int32_t area, uint8_t* buffer, uint32_t capacity) {
  return RunExport(RecordFailure, 0, [&]() -> uint32_t {
    sim::Player* player = Attached();
    if (player == nullptr || (area != 0 && area != 1)) return 0;
    const auto& data = player->model().data();
    return CopyOut(area == 0 ? data.bootArea : data.codecArea, buffer, capacity);
  });
}

int32_t VORPEX_CC PlayerSim_UpgradeMode(void) {
  return RunExport(RecordFailure, -1, [&]() -> int32_t {
    sim::Player* player = Attached();
    if (player == nullptr || !player->model().upgradeMode()) return -1;
    return player->model().upgradeModeByte();
  });
}

int32_t VORPEX_CC PlayerSim_AddSlot(int32_t memory, const uint8_t* slot, const uint8_t* data,
                                    uint32_t size) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    if (player == nullptr || (memory != 0 && memory != 1) || slot == nullptr) return 0;
    if (data == nullptr && size != 0) return 0;
    sim::StoredSlot stored;
    std::copy_n(slot, protocol::kSlotSize, stored.raw.begin());
    const bool file = protocol::IsFileSlot(stored.raw);
    if (file && protocol::DecodeSlot(stored.raw).size != size) return 0;
    if (!file && size != 0) return 0;
    if (data != nullptr) stored.data.assign(data, data + size);
    return player->AddSlot(memory, std::move(stored)) ? 1 : 0;
  });
}

uint32_t VORPEX_CC PlayerSim_ReadFile(int32_t memory, uint32_t index, uint8_t* buffer,
                                      uint32_t capacity) {
  return RunExport(RecordFailure, 0xFFFFFFFF, [&]() -> uint32_t {
    sim::Player* player = Attached();
    if (player == nullptr || (memory != 0 && memory != 1)) return 0xFFFFFFFF;
    const sim::Memory& m = player->model().data().memories[static_cast<size_t>(memory)];
    const auto slot = m.SlotOfEntry(index);
    if (!slot) return 0xFFFFFFFF;
    const sim::StoredSlot& stored = m.slots[*slot];
    if (buffer == nullptr || capacity == 0) return static_cast<uint32_t>(sim::StoredSize(stored));
    std::string error;
    const auto bytes = sim::StoredBytes(player->model().data(), stored, error);
    return bytes ? CopyOut(*bytes, buffer, capacity) : 0xFFFFFFFF;
  });
}

int32_t VORPEX_CC PlayerSim_ReadSlot(int32_t memory, uint32_t slot, uint8_t* raw) {
  return RunExport(RecordFailure, 0, [&]() -> int32_t {
    sim::Player* player = Attached();
    if (player == nullptr || (memory != 0 && memory != 1) || raw == nullptr) return 0;
    const sim::Memory& m = player->model().data().memories[static_cast<size_t>(memory)];
    if (slot >= m.slots.size()) return 0;
    CopyOut(m.slots[slot].raw, raw, protocol::kSlotSize);
    return 1;
  });
}

}  // extern "C"
