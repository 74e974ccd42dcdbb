// What an upgrade must have put on the wire, block for block, whichever library sent it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/sim_player.h"

namespace vorpex::test {

// The blocks to and from the player, in order, without opens, halts and resets.
inline std::vector<WireEntry> Exchange() {
  std::vector<WireEntry> out;
  for (WireEntry& e : WireLog()) {
    if (e.kind == PLAYERSIM_LOG_OUT || e.kind == PLAYERSIM_LOG_IN) out.push_back(std::move(e));
  }
  return out;
}

inline std::vector<uint8_t> Head(const WireEntry& e, size_t n) {
  return {e.bytes.begin(), e.bytes.begin() + static_cast<long>(std::min(n, e.bytes.size()))};
}

inline const std::vector<uint8_t> kOk = {0x23, 0x00, 0x03, 0x3A, 0x00, 0x2E};

// Mode command, reply, erase, reply, write, reply, the image in 512-byte blocks, final reply.
inline void ExpectUpgradeExchange(const std::vector<WireEntry>& wire, bool boot, uint8_t mode,
                                  const std::vector<uint8_t>& image) {
  const uint8_t area = boot ? 0x52 : 0x50;
  const size_t blocks = (image.size() + 511) / 512;
  ASSERT_EQ(wire.size(), 7 + blocks);
  for (size_t i = 0; i < wire.size(); ++i) {
    bool reply = i == 1 || i == 3 || i == 5 || i == wire.size() - 1;
    EXPECT_EQ(wire[i].kind, reply ? PLAYERSIM_LOG_IN : PLAYERSIM_LOG_OUT) << "entry " << i;
    EXPECT_EQ(wire[i].bytes.size(), 512u) << "entry " << i;
    EXPECT_TRUE(wire[i].ok) << "entry " << i;
  }
  EXPECT_EQ(Head(wire[0], 9),
            (std::vector<uint8_t>{0x23, 0x00, 0x06, 0x3A, 0x47, 0x4F, 0x10, mode, 0x2E}));
  EXPECT_EQ(Head(wire[2], 8), (std::vector<uint8_t>{0x23, 0x00, 0x05, 0x3A, 0x43, 0x02, area, 0x2E}));
  EXPECT_EQ(Head(wire[4], 10),
            (std::vector<uint8_t>{0x23, 0x00, 0x07, 0x3A, 0x43, 0x01, area,
                                  static_cast<uint8_t>(blocks >> 8),
                                  static_cast<uint8_t>(blocks & 0xFF), 0x2E}));
  EXPECT_EQ(Head(wire[3], 6), kOk);
  EXPECT_EQ(Head(wire[5], 6), kOk);
  EXPECT_EQ(Head(wire.back(), 6), kOk);
  std::vector<uint8_t> streamed;
  for (size_t b = 0; b < blocks; ++b) {
    const auto& data = wire[6 + b].bytes;
    streamed.insert(streamed.end(), data.begin(), data.end());
  }
  std::vector<uint8_t> padded = image;
  padded.resize(blocks * 512, 0x00);
  EXPECT_TRUE(streamed == padded) << "the data blocks differ from the padded image";
}

inline std::vector<uint8_t> Area(int32_t area) {
  std::vector<uint8_t> bytes(PlayerSim_ReadArea(area, nullptr, 0));
  PlayerSim_ReadArea(area, bytes.data(), static_cast<uint32_t>(bytes.size()));
  return bytes;
}

inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    v[i] = static_cast<uint8_t>(seed >> 16);
  }
  return v;
}

}  // namespace vorpex::test
