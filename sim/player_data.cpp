#include "sim/player_data.h"

namespace vorpex::sim {

size_t Memory::FileCount() const {
  size_t count = 0;
  for (const auto& slot : slots) count += protocol::IsFileSlot(slot.raw) ? 1 : 0;
  return count;
}

uint32_t Memory::UsedUnits() const {
  uint32_t used = 0;
  for (const auto& slot : slots) {
    if (protocol::IsFileSlot(slot.raw)) used += UnitsFor(protocol::DecodeSlot(slot.raw).size);
  }
  return used;
}

std::optional<size_t> Memory::SlotOfEntry(size_t index) const {
  size_t files = 0;
  for (size_t i = 0; i < slots.size(); ++i) {
    if (!protocol::IsFileSlot(slots[i].raw)) continue;
    if (files++ == index) return i;
  }
  return std::nullopt;
}

size_t Memory::EntryOfSlot(size_t slot) const {
  size_t files = 0;
  for (size_t i = 0; i < slot && i < slots.size(); ++i) {
    files += protocol::IsFileSlot(slots[i].raw) ? 1 : 0;
  }
  return files;
}

PlayerData PlayerData::Fresh(const PlayerSettings& settings) {
  PlayerData data;
  data.settings = settings;
  for (size_t i = 0; i < 2; ++i) data.memories[i].capacity = settings.capacity[i];
  return data;
}

}  // namespace vorpex::sim
