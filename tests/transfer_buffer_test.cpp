// The chunk buffer of a transfer: halved after each failed allocation, the fallback at the end.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/transfer_buffer.h"

namespace {

using vorpex::platform::TransferBuffer;

std::vector<size_t> asked;
size_t grantFrom = 0;  // sizes up to this are granted

uint8_t* Allocate(size_t size) {
  asked.push_back(size);
  return size <= grantFrom ? new uint8_t[size] : nullptr;
}

TEST(TransferBuffer, HalvesUntilAnAllocationSucceeds) {
  std::array<uint8_t, 512> fallback{};
  asked.clear();
  grantFrom = 16384;
  {
    TransferBuffer buffer(fallback, Allocate);
    EXPECT_EQ(buffer.size(), 16384u);
    EXPECT_TRUE(buffer.onHeap());
  }
  EXPECT_EQ(asked, (std::vector<size_t>{16384}));

  asked.clear();
  grantFrom = 2048;
  {
    TransferBuffer buffer(fallback, Allocate);
    EXPECT_EQ(buffer.size(), 2048u);
  }
  EXPECT_EQ(asked, (std::vector<size_t>{16384, 8192, 4096, 2048}));
}

TEST(TransferBuffer, FallsBackToTheSharedBlockBelow1024) {
  std::array<uint8_t, 512> fallback{};
  asked.clear();
  grantFrom = 512;  // nothing the buffer asks for is granted
  TransferBuffer buffer(fallback, Allocate);
  EXPECT_EQ(asked, (std::vector<size_t>{16384, 8192, 4096, 2048, 1024}));
  EXPECT_EQ(buffer.size(), 512u);
  EXPECT_FALSE(buffer.onHeap());
  EXPECT_EQ(buffer.span().data(), fallback.data());
}

}  // namespace
