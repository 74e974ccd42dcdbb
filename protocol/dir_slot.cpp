#include "protocol/dir_slot.h"

#include <algorithm>

namespace vorpex::protocol {
namespace {

void PutLe16(std::span<uint8_t> out, size_t offset, uint16_t value) {
  out[offset] = static_cast<uint8_t>(value);
  out[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t GetLe16(std::span<const uint8_t> in, size_t offset) {
  return static_cast<uint16_t>(in[offset] | in[offset + 1] << 8);
}

void PutBe16(std::span<uint8_t> out, size_t offset, uint16_t value) {
  out[offset] = static_cast<uint8_t>(value >> 8);
  out[offset + 1] = static_cast<uint8_t>(value);
}

uint16_t GetBe16(std::span<const uint8_t> in, size_t offset) {
  return static_cast<uint16_t>(in[offset] << 8 | in[offset + 1]);
}

void PutLe32(std::span<uint8_t> out, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

Slot EncodeSlot(const SlotFields& fields) {
  Slot slot{};
  std::copy(fields.name.begin(), fields.name.end(), slot.begin());
  std::copy(fields.extension.begin(), fields.extension.end(), slot.begin() + 8);
  slot[11] = fields.attributes;
  PutLe16(slot, 22, fields.time);
  PutLe16(slot, 24, fields.date);
  PutLe32(slot, 28, fields.size);
  return slot;
}

SlotFields DecodeSlot(std::span<const uint8_t, kSlotSize> slot) {
  SlotFields fields;
  std::copy_n(slot.begin(), 8, fields.name.begin());
  std::copy_n(slot.begin() + 8, 3, fields.extension.begin());
  fields.attributes = slot[11];
  fields.time = GetLe16(slot, 22);
  fields.date = GetLe16(slot, 24);
  fields.size = static_cast<uint32_t>(slot[28]) | static_cast<uint32_t>(slot[29]) << 8 |
                static_cast<uint32_t>(slot[30]) << 16 | static_cast<uint32_t>(slot[31]) << 24;
  return fields;
}

bool IsFileSlot(std::span<const uint8_t, kSlotSize> slot) {
  const uint8_t attributes = slot[11];
  if (attributes == 0 || slot[0] == kSlotDeleted || attributes == kAttrLongName) return false;
  return (attributes & (kAttrVolume | kAttrDirectory)) == 0;
}

void EncodeDirectoryHeader(std::span<uint8_t> reply, const DirectoryHeader& header) {
  PutBe16(reply, kHeaderEntries, header.entries);
  PutBe16(reply, kHeaderSlots, header.slots);
  PutBe16(reply, kHeaderCapacity, header.capacity);
  PutBe16(reply, kHeaderUsed, header.used);
}

DirectoryHeader DecodeDirectoryHeader(std::span<const uint8_t> reply) {
  return {GetBe16(reply, kHeaderEntries), GetBe16(reply, kHeaderSlots),
          GetBe16(reply, kHeaderCapacity), GetBe16(reply, kHeaderUsed)};
}

void WriteDirEntry(std::span<const uint8_t, kSlotSize> slot, std::span<uint8_t, 32> entry) {
  std::copy_n(slot.begin(), 8, entry.begin());
  entry[8] = 0;
  std::copy_n(slot.begin() + 8, 3, entry.begin() + 9);
  entry[13] = 0;
  const SlotFields fields = DecodeSlot(slot);
  PutLe32(entry, 16, fields.time);
  PutLe32(entry, 20, fields.date);
  PutLe32(entry, 24, fields.size);
  PutLe32(entry, 28, fields.attributes);
}

MemoryInfo MakeMemoryInfo(const DirectoryHeader& header) {
  return {header.entries, 0, header.capacity, header.used, 0};
}

void ReadDirectoryBlock(std::span<const uint8_t> block, uint32_t writeLimit,
                        std::span<uint8_t> entries, uint32_t& files) {
  for (size_t at = 0; at + kSlotSize <= block.size() && at < kSlotsPerBlock * kSlotSize;
       at += kSlotSize) {
    const std::span<const uint8_t, kSlotSize> slot(block.data() + at, kSlotSize);
    if (!IsFileSlot(slot)) continue;
    const size_t offset = static_cast<size_t>(files) * kDirEntrySize;
    if (files < writeLimit && offset + kDirEntrySize <= entries.size()) {
      WriteDirEntry(slot,
                    std::span<uint8_t, kDirEntrySize>(entries.data() + offset, kDirEntrySize));
    }
    ++files;
  }
}

bool ReadDirectory(const NextReply& nextReply, uint32_t* info, uint8_t* entries, uint32_t* count) {
  const std::span<const uint8_t> headerReply = nextReply();
  if (headerReply.empty()) return false;
  const DirectoryHeader header = DecodeDirectoryHeader(headerReply);
  uint32_t limit = 0;
  if (count != nullptr && entries != nullptr) limit = std::min<uint32_t>(*count, header.entries);
  const std::span<uint8_t> records(entries, entries == nullptr ? 0 : limit * kDirEntrySize);
  uint32_t files = 0;
  if (header.entries != 0) {
    for (size_t b = 0; b < DirectoryBlockCount(header.slots); ++b) {
      const std::span<const uint8_t> block = nextReply();
      if (block.empty()) return false;
      ReadDirectoryBlock(block, limit, records, files);
    }
  }
  if (info != nullptr) {
    const MemoryInfo words = MakeMemoryInfo(header);
    std::copy(words.begin(), words.end(), info);
  }
  if (count != nullptr) *count = files;
  return true;
}

std::optional<SplitName> SplitShortName(std::string_view shortName) {
  const size_t dot = shortName.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view base = shortName.substr(0, dot);
  const std::string_view extension = shortName.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return std::nullopt;
  SplitName split;
  split.name.fill(' ');
  split.extension.fill(' ');
  std::copy(base.begin(), base.end(), split.name.begin());
  std::copy(extension.begin(), extension.end(), split.extension.begin());
  return split;
}

std::string JoinShortName(const SlotFields& fields) {
  auto trimmed = [](auto begin, auto end) {
    std::string text(begin, end);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  };
  return trimmed(fields.name.begin(), fields.name.end()) + "." +
         trimmed(fields.extension.begin(), fields.extension.end());
}

}  // namespace vorpex::protocol
