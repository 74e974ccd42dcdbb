// MPEG audio frame headers built from their fields, placed in buffers, for tests and benchmarks.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorpex::testing {

// version 3 MPEG-1, 2 MPEG-2, 0 MPEG 2.5; layer 1 Layer III, 2 Layer II, 3 Layer I.
inline std::array<uint8_t, 4> FrameHeader(uint32_t version, uint32_t layer, uint32_t bitIndex,
                                          uint32_t rateIndex, uint32_t padding = 0) {
  return {0xFF, static_cast<uint8_t>(0xE0 | version << 3 | layer << 1 | 1),
          static_cast<uint8_t>(bitIndex << 4 | rateIndex << 2 | padding << 1), 0x00};
}

// Writes `header` at `at`, growing the buffer with zeros where it is too short.
inline void PutHeader(std::vector<uint8_t>& buffer, size_t at,
                      const std::array<uint8_t, 4>& header) {
  if (buffer.size() < at + header.size()) buffer.resize(at + header.size());
  for (size_t k = 0; k < header.size(); ++k) buffer[at + k] = header[k];
}

}  // namespace vorpex::testing
