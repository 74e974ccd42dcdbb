#include "sim/player_data.h"

#include <algorithm>

namespace vorpex::sim {
namespace {

// The bytes of a slot kept in memory, going out from a copy of their own (the slot may change
// while they go).
class BytesOutgoing : public OutgoingFile {
 public:
  explicit BytesOutgoing(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool Read(std::span<uint8_t> out) override {
    if (out.size() > bytes_.size() - at_) return false;
    std::copy_n(bytes_.begin() + static_cast<ptrdiff_t>(at_), out.size(), out.begin());
    at_ += out.size();
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
};

}  // namespace

uint8_t DefaultEndpointAddress(size_t index) {
  constexpr uint8_t kIn = 0x80;
  const auto number = static_cast<uint8_t>(index % 15 + 1);
  const bool in = number == 3 || (number >= 4 && number % 2 == 0);
  // The second fifteen use each number again in the other direction.
  return static_cast<uint8_t>(number | ((in != (index >= 15)) ? kIn : 0));
}

std::array<uint8_t, kMaxEndpoints> DefaultEndpointAddresses() {
  std::array<uint8_t, kMaxEndpoints> addresses{};
  for (size_t i = 0; i < addresses.size(); ++i) addresses[i] = DefaultEndpointAddress(i);
  return addresses;
}

bool IsValidEndpointAddress(uint8_t address) {
  return (address & 0x70) == 0 && (address & 0x0F) != 0;
}

std::string PlayerSettings::Problem() const {
  if (capacity[0] > 0xFFFF || capacity[1] > 0xFFFF) return "a capacity above 65535 units";
  if (endpointCount > kMaxEndpoints) return "more than 30 endpoints";
  if (interfaceCount > kMaxInterfaces) return "more than 32 device interfaces";
  if (configurationLength > 0xFFFF) return "a configuration length above 65535";
  for (size_t i = 0; i < endpointCount; ++i) {
    if (!IsValidEndpointAddress(endpointAddresses[i])) return "an invalid endpoint address";
    for (size_t j = 0; j < i; ++j) {
      if (endpointAddresses[j] == endpointAddresses[i]) return "an endpoint address used twice";
    }
  }
  return {};
}

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

uint64_t StoredSize(const StoredSlot& slot) {
  return slot.dataFile.empty() ? slot.data.size() : protocol::DecodeSlot(slot.raw).size;
}

std::unique_ptr<OutgoingFile> OpenStored(const PlayerData& data, const StoredSlot& slot,
                                         std::string& error) {
  if (slot.dataFile.empty()) return std::make_unique<BytesOutgoing>(slot.data);
  if (!data.files) {
    error = slot.dataFile + " is in no state directory";
    return nullptr;
  }
  return data.files->Send(slot, error);
}

std::optional<std::vector<uint8_t>> StoredBytes(const PlayerData& data, const StoredSlot& slot,
                                                std::string& error) {
  if (slot.dataFile.empty()) return slot.data;
  const auto source = OpenStored(data, slot, error);
  if (!source) return std::nullopt;
  std::vector<uint8_t> bytes(StoredSize(slot));
  if (!source->Read(bytes)) {
    error = "cannot read " + slot.dataFile;
    return std::nullopt;
  }
  return bytes;
}

PlayerData PlayerData::Fresh(const PlayerSettings& settings) {
  PlayerData data;
  data.settings = settings;
  for (size_t i = 0; i < 2; ++i) data.memories[i].capacity = settings.capacity[i];
  return data;
}

}  // namespace vorpex::sim
