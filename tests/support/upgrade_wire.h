// What an upgrade must have put on the wire, block for block, whichever library sent it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "support/recording_ui.h"
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

// A fault aimed at a stage after the erase of an upgrade of a three-block image: armed when the
// data status shows and `afterBlocks` blocks have been sent, so it strikes the next exchange.
struct LateFault {
  const char* stage;
  int32_t fault;
  int afterBlocks;
  int32_t code;  // what the upgrade records
};
inline constexpr size_t kLateFaultImage = 1500;
inline const LateFault kLateFaults[] = {
    {"write reply refused", PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 0, VORPEX_ERR_INTERNAL},
    {"final reply refused", PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 2, VORPEX_ERR_INTERNAL},
    {"final reply missing", PLAYERSIM_FAULT_DROP_NEXT_REPLY, 2, VORPEX_ERR_USB},
    {"second data block not taken", PLAYERSIM_FAULT_STALL_TRANSFER, 1, VORPEX_ERR_USB},
};

inline void ArmLateFault(RecordingUi& ui, const LateFault& f, const std::string& dataStatus) {
  ui.onPump = [&ui, f, dataStatus, armed = false]() mutable {
    if (armed || ui.windows.empty()) return;
    const RecordedWindow& w = *ui.windows.back();
    const auto sent =
        std::count_if(w.positions.begin(), w.positions.end(), [](uint32_t p) { return p > 0; });
    if (w.statuses.empty() || w.statuses.back() != dataStatus || sent != f.afterBlocks) return;
    PlayerSim_SetFault(f.fault, 1);
    armed = true;
  };
}

// What a late fault leaves on the wire: the refused write reply ends it before any data block.
inline void ExpectLateFailure(const LateFault& f, int32_t result, const RecordingUi& ui) {
  EXPECT_EQ(result, 0) << f.stage;
  EXPECT_EQ(VORPEX_GetError(), f.code) << f.stage;
  ASSERT_EQ(ui.windows.size(), 1u) << f.stage;
  EXPECT_FALSE(ui.windows[0]->open) << f.stage;
  auto wire = Exchange();
  ASSERT_GE(wire.size(), 6u) << f.stage;
  EXPECT_EQ(wire.size() == 6, f.afterBlocks == 0) << f.stage << ": " << wire.size() << " blocks";
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
