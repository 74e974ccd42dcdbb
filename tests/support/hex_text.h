// Intel HEX text made by hand for tests: one record line with its checksum, or whole images.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vorpex::test {

inline std::string Rec(uint16_t address, uint8_t type, const std::vector<uint8_t>& data,
                       bool lower = false) {
  unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
  char piece[16];
  std::snprintf(piece, sizeof piece, lower ? ":%02x%04x%02x" : ":%02X%04X%02X",
                static_cast<unsigned>(data.size()), address, type);
  std::string line = piece;
  for (uint8_t b : data) {
    std::snprintf(piece, sizeof piece, lower ? "%02x" : "%02X", b);
    line += piece;
    sum += b;
  }
  std::snprintf(piece, sizeof piece, lower ? "%02x" : "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + piece;
}

// The bytes at `address` on as 16-byte records (below 64 KiB), then the end record.
inline std::string HexOf(uint16_t address, const std::vector<uint8_t>& bytes) {
  std::string text;
  for (size_t at = 0; at < bytes.size(); at += 16) {
    size_t n = bytes.size() - at < 16 ? bytes.size() - at : 16;
    text += Rec(static_cast<uint16_t>(address + at), 0,
                std::vector<uint8_t>(bytes.begin() + static_cast<long>(at),
                                     bytes.begin() + static_cast<long>(at + n))) +
            "\n";
  }
  return text;
}

inline const std::string kHexEnd = ":00000001FF\n";

}  // namespace vorpex::test
