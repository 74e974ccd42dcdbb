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

// Bytes on the wire for `size` real bytes: rounded up to whole 512-byte units.
inline uint64_t WireLength(uint64_t size) {
  return (size + 511) / 512 * 512;
}

}  // namespace vorpex::protocol
