#include "protocol/write_header.h"

namespace vorpex::protocol {

std::vector<uint8_t> EncodeWriteHeader(const WriteHeader& header) {
  std::vector<uint8_t> payload(header.shortName.begin(), header.shortName.end());
  payload.push_back(static_cast<uint8_t>(header.date));
  payload.push_back(static_cast<uint8_t>(header.date >> 8));
  payload.push_back(static_cast<uint8_t>(header.time));
  payload.push_back(static_cast<uint8_t>(header.time >> 8));
  for (int shift = 24; shift >= 0; shift -= 8) {
    payload.push_back(static_cast<uint8_t>(header.size >> shift));
  }
  return payload;
}

std::optional<WriteHeader> DecodeWriteHeader(std::span<const uint8_t> payload) {
  if (payload.size() <= kWriteHeaderTail) return std::nullopt;
  const size_t nameLength = payload.size() - kWriteHeaderTail;
  const auto tail = payload.subspan(nameLength);
  WriteHeader header;
  header.shortName.assign(payload.begin(), payload.begin() + static_cast<ptrdiff_t>(nameLength));
  header.date = static_cast<uint16_t>(tail[0] | tail[1] << 8);
  header.time = static_cast<uint16_t>(tail[2] | tail[3] << 8);
  header.size = static_cast<uint32_t>(tail[4]) << 24 | static_cast<uint32_t>(tail[5]) << 16 |
                static_cast<uint32_t>(tail[6]) << 8 | tail[7];
  return header;
}

}  // namespace vorpex::protocol
