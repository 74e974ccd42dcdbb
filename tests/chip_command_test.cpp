// Command blocks of the chip library as they reach the simulated player.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "chiplib/command.h"
#include "chiplib/driver_select.h"
#include "chiplib/state.h"
#include "chiplib/transfers.h"
#include "sim/player.h"

namespace {

using namespace vorpex;

class ChipCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string dir = std::string(VORPEX_TEST_TMP) + "/sim-chip-command-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(chip::CreateSimulatorStateDir(dir, sim::PlayerSettings{}));
    ASSERT_TRUE(chip::AttachSimulator(dir));
    device_ = chip::OpenDevice();
    ASSERT_NE(device_, nullptr);
    player().log().Keep(true);
  }
  void TearDown() override {
    chip::CloseDevice(device_);
    chip::DetachSimulator();
  }
  static sim::Player& player() { return *chip::ActivePlayer(); }
  static std::vector<uint8_t> Block() {
    const auto& b = chip::GetState().sharedBlock;
    return std::vector<uint8_t>(b.begin(), b.end());
  }
  chip::ChipDevice* device_ = nullptr;
};

TEST_F(ChipCommand, BlockIsBuiltInTheSharedBufferAndSentWhole) {
  auto& shared = chip::GetState().sharedBlock;
  shared.fill(0x5A);
  const std::vector<uint8_t> payload = {3, 'N', 'E', 'W', '.', 'M', 'P', '3'};
  ASSERT_EQ(chip::SendCommand(device_, 1, 'P', payload), 512);
  const auto& log = player().log().entries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].kind, sim::LogKind::kOut);
  EXPECT_EQ(log[0].pipe, 2u);
  const std::vector<uint8_t> head = {0x23, 0,   12,  0x3A, 'S', 'P', 3,   'N',
                                     'E',  'W', '.', 'M',  'P', '3', 0x2E};
  ASSERT_EQ(log[0].bytes.size(), 512u);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), log[0].bytes.begin()));
  EXPECT_EQ(log[0].bytes[15], 0x5A);  // the rest as it lay in the buffer
  EXPECT_EQ(log[0].bytes[511], 0x5A);

  // The reply overwrites the command; the player refuses: there is no entry 3.
  ASSERT_EQ(chip::ReadReply(device_), 512);
  EXPECT_FALSE(chip::IsReplyOk());
  EXPECT_EQ(Block()[4], 1);

  ASSERT_EQ(chip::SendCommand(device_, 0, 'F', {}), 512);
  ASSERT_EQ(chip::ReadReply(device_), 512);
  EXPECT_TRUE(chip::IsReplyOk());
}

TEST_F(ChipCommand, SelectorsOutsideTheTableSendNothing) {
  auto& shared = chip::GetState().sharedBlock;
  shared.fill(0x77);
  EXPECT_EQ(chip::SendCommand(device_, 2, 'F', {}), 0);
  EXPECT_EQ(chip::SendCommand(device_, -3, 'F', {}), 0);
  EXPECT_TRUE(player().log().entries().empty());
  EXPECT_EQ(Block(), std::vector<uint8_t>(512, 0x77));
  ASSERT_EQ(chip::SendCommand(device_, -2, 'O', std::vector<uint8_t>{0x10, 0}), 512);
  EXPECT_EQ(player().log().entries()[0].bytes[4], 'G');
  EXPECT_EQ(chip::ReadReply(device_), 512);
  EXPECT_TRUE(chip::IsReplyOk());
}

TEST_F(ChipCommand, CancelRequestStopsAFileComingIn) {
  // A file on the player, read back in part, then cancelled: the player is ready for the next
  // command, with nothing left over.
  sim::StoredSlot slot;
  protocol::SlotFields fields;
  fields.name = {'A', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  fields.extension = {'B', 'I', 'N'};
  fields.attributes = protocol::kAttrArchive;
  fields.size = 4096;
  slot.raw = protocol::EncodeSlot(fields);
  slot.data.assign(4096, 0x42);
  ASSERT_TRUE(player().AddSlot(0, slot));

  ASSERT_EQ(chip::SendCommand(device_, 0, 'R', std::vector<uint8_t>{0}), 512);
  ASSERT_EQ(chip::ReadReply(device_), 512);
  ASSERT_EQ(chip::ReadReply(device_), 512);
  std::vector<uint8_t> chunk(1024);
  ASSERT_EQ(chip::RecvUsb(device_, chunk), 1024);
  chip::SendCancelRequest(device_);
  const auto& control = player().log().entries().back();
  EXPECT_EQ(control.kind, sim::LogKind::kControl);
  EXPECT_EQ(control.bytes, std::vector<uint8_t>({0x40, 0x01, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(control.ok);
  ASSERT_EQ(chip::SendCommand(device_, 0, 'G', {}), 512);
  ASSERT_EQ(chip::ReadReply(device_), 512);
  EXPECT_TRUE(chip::IsReplyOk());
  EXPECT_EQ(player().violations(), 0u);
}

// Without memory for a chunk buffer the copies go on in smaller chunks, down to 512-byte
// chunks in the shared block, and the data still arrives whole.
TEST_F(ChipCommand, CopiesFallBackToSmallerBuffersAndFinallyTheSharedBlock) {
  struct Case {
    platform::TransferBuffer::Allocator allocate;
    size_t chunk;
  };
  const std::vector<Case> cases = {
      {[](size_t size) { return size > 4096 ? nullptr : new (std::nothrow) uint8_t[size]; }, 4096},
      {[](size_t) -> uint8_t* { return nullptr; }, 512},
  };
  const std::string path = std::string(VORPEX_TEST_TMP) + "/chip-fallback.bin";
  std::vector<uint8_t> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 256);
  for (const Case& c : cases) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
    chip::GetState().transferAllocator = c.allocate;
    player().log().Clear();
    ASSERT_EQ(chip::Download(nullptr, device_, 0, path.c_str(), false), 1);
    std::vector<size_t> lengths;
    for (const auto& e : player().log().entries()) {
      if (e.kind == sim::LogKind::kOut) lengths.push_back(e.bytes.size());
    }
    std::vector<size_t> expected(1, 512);  // the "W" block
    expected.insert(expected.end(), data.size() / c.chunk, c.chunk);
    expected.push_back((data.size() % c.chunk + 511) / 512 * 512);
    EXPECT_EQ(lengths, expected) << c.chunk;

    std::filesystem::remove(path);
    ASSERT_EQ(chip::Upload(nullptr, device_, 0, 0, path.c_str(), nullptr,
                           static_cast<uint32_t>(data.size()), false),
              1);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), data) << c.chunk;
    uint8_t entry = 0;
    ASSERT_EQ(chip::SendCommand(device_, 0, 'E', std::span(&entry, 1)), 512);
    ASSERT_EQ(chip::ReadReply(device_), 512);
  }
  chip::GetState().transferAllocator = platform::TransferBuffer::HeapAllocate;
}

}  // namespace
