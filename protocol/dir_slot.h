// The player's directory: a header reply and 32-byte slots in the layout of a FAT directory
// entry, 16 to a block; and the 32-byte DirEntry record that a directory read fills.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorpex::protocol {

inline constexpr size_t kSlotSize = 32;
inline constexpr size_t kSlotsPerBlock = 16;
inline constexpr uint8_t kSlotDeleted = 0xE5;
inline constexpr uint8_t kAttrLongName = 0x0F;
inline constexpr uint8_t kAttrVolume = 0x08;
inline constexpr uint8_t kAttrDirectory = 0x10;
inline constexpr uint8_t kAttrArchive = 0x20;
// The unit of the capacity and used figures.
inline constexpr uint32_t kSpaceUnit = 16384;

using Slot = std::array<uint8_t, kSlotSize>;

struct SlotFields {
  std::array<uint8_t, 8> name{};  // space-padded
  std::array<uint8_t, 3> extension{};
  uint8_t attributes = 0;
  uint16_t time = 0;  // MS-DOS packed
  uint16_t date = 0;
  uint32_t size = 0;
};

Slot EncodeSlot(const SlotFields& fields);
SlotFields DecodeSlot(std::span<const uint8_t, kSlotSize> slot);

// True when the directory read counts the slot as a file: not empty (attribute 0), not deleted,
// not a long-name part, a volume label or a sub-directory.
bool IsFileSlot(std::span<const uint8_t, kSlotSize> slot);

// The header reply to the directory read; figures high byte first at offsets 6 to 13.
struct DirectoryHeader {
  uint16_t entries = 0;
  uint16_t slots = 0;
  uint16_t capacity = 0;  // units of kSpaceUnit
  uint16_t used = 0;
};
inline constexpr size_t kHeaderEntries = 6;
inline constexpr size_t kHeaderSlots = 8;
inline constexpr size_t kHeaderCapacity = 10;
inline constexpr size_t kHeaderUsed = 12;

// Writes the header's figures at offsets 6 to 13 (the caller writes the OK bytes in front).
void EncodeDirectoryHeader(std::span<uint8_t> reply, const DirectoryHeader& header);
DirectoryHeader DecodeDirectoryHeader(std::span<const uint8_t> reply);

// Number of directory blocks that follow a header announcing `slots` slots.
inline size_t DirectoryBlockCount(uint16_t slots) {
  return (slots + kSlotsPerBlock - 1) / kSlotsPerBlock;
}

// The five words of memory figures a directory read reports: entries, 0, capacity, used, 0
// (capacity and used in units of kSpaceUnit).
using MemoryInfo = std::array<uint32_t, 5>;
MemoryInfo MakeMemoryInfo(const DirectoryHeader& header);

inline constexpr size_t kDirEntrySize = 32;

// Fills a 32-byte DirEntry record from a file slot: name at 0, 0 at 8, extension at 9, 0 at 13,
// time, date, size and attributes as 32-bit words at 16, 20, 24, 28. Bytes 12, 14 and 15 are
// not written.
void WriteDirEntry(std::span<const uint8_t, kSlotSize> slot, std::span<uint8_t, 32> entry);

// Walks the 16 slots of one directory block in order. Each file slot gets the running number
// `files` (counted across blocks) and is then counted; its DirEntry goes to record `files` of
// `entries` (32 bytes each) only while that number is below `writeLimit` and the record fits.
void ReadDirectoryBlock(std::span<const uint8_t> block, uint32_t writeLimit,
                        std::span<uint8_t> entries, uint32_t& files);

// The replies of a directory read after its command: `nextReply` gives the next 512-byte reply
// (the header, then the directory blocks), or an empty span when none came. Writes records as
// ReadDirectoryBlock does for files numbered below the header's entry count and `*count` (none
// when `count` or `entries` is null), then the five words to `info` and the files counted to
// `*count` (each when not null). False, with `info` and `*count` untouched, when a reply is
// missing.
using NextReply = std::function<std::span<const uint8_t>()>;
bool ReadDirectory(const NextReply& nextReply, uint32_t* info, uint8_t* entries, uint32_t* count);

// An 8.3 short name ("BASE.EXT", the dot always present) split into space-padded slot fields;
// nullopt when the base is empty or longer than 8 bytes, or the extension longer than 3.
struct SplitName {
  std::array<uint8_t, 8> name;
  std::array<uint8_t, 3> extension;
};
std::optional<SplitName> SplitShortName(std::string_view shortName);
// The short name of a slot: base and extension without their padding, joined by ".".
std::string JoinShortName(const SlotFields& fields);

}  // namespace vorpex::protocol
