// The payload of the copy-to-player command "W": short name, date and time (MS-DOS packed,
// low byte first), and the size in bytes (high byte first).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorpex::protocol {

struct WriteHeader {
  std::string shortName;
  uint16_t date = 0;
  uint16_t time = 0;
  uint32_t size = 0;
};

inline constexpr size_t kWriteHeaderTail = 8;  // date, time, size

std::vector<uint8_t> EncodeWriteHeader(const WriteHeader& header);
// Nullopt when the payload has no room for a name.
std::optional<WriteHeader> DecodeWriteHeader(std::span<const uint8_t> payload);

// MS-DOS packed date (day in bits 0-4, month in 5-8, years since 1980 modulo 128 in 9-15) and
// time (seconds / 2 in bits 0-4, minutes in 5-10, hours in 11-15).
inline uint16_t PackDosDate(uint32_t year, uint32_t month, uint32_t day) {
  return static_cast<uint16_t>(((year - 1980) & 0x7F) << 9 | (month & 0x0F) << 5 | (day & 0x1F));
}
inline uint16_t PackDosTime(uint32_t hour, uint32_t minute, uint32_t second) {
  return static_cast<uint16_t>((hour & 0x1F) << 11 | (minute & 0x3F) << 5 | ((second / 2) & 0x1F));
}

// Bytes on the wire for `size` real bytes: rounded up to whole 512-byte units.
inline uint64_t WireLength(uint64_t size) {
  return (size + 511) / 512 * 512;
}

}  // namespace vorpex::protocol
