// The WinDriver transport through the library's exports, against the simulated player.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

#include "VORPEXUSB.h"
#include "playersim.h"
#include "support/sim_player.h"

namespace {

using vorpex::test::AttachFreshPlayer;
using vorpex::test::WireLog;

PlayerSimSettings Settings() {
  PlayerSimSettings settings;
  PlayerSim_DefaultSettings(&settings);
  return settings;
}

void ExpectEverythingReleased() {
  uint32_t handles = 99;
  uint32_t devices = 99;
  PlayerSim_DriverUse(&handles, &devices);
  EXPECT_EQ(handles, 0u);
  EXPECT_EQ(devices, 0u);
}

class Transport : public ::testing::Test {
 protected:
  void TearDown() override {
    VORPEX_SetTimeout(3000, 2000);
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }
};

TEST_F(Transport, WithoutDriverOpenFailsWithErrorOne) {
#ifndef _WIN32
  GTEST_SKIP() << "Linux reaches players through libusb; usb_emulation_test runs it without USB";
#endif
  PlayerSim_Detach();
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_OPEN);
}

TEST_F(Transport, DriverWithoutPlayerLeavesTheErrorAsItWas) {
  PlayerSimSettings settings = Settings();
  settings.playerPresent = 0;
  ASSERT_TRUE(AttachFreshPlayer("transport", &settings));
  VORPEX_SetError(VORPEX_ERR_NODISK);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_NODISK);
  ExpectEverythingReleased();
}

TEST_F(Transport, DriverVersionBelow502IsRefused) {
  PlayerSimSettings settings = Settings();
  settings.driverVersion = 501;
  ASSERT_TRUE(AttachFreshPlayer("transport", &settings));
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_VERSION);
  ExpectEverythingReleased();
  EXPECT_TRUE(WireLog().empty());  // refused before the halts

  settings.driverVersion = 502;
  ASSERT_TRUE(AttachFreshPlayer("transport502", &settings));
  VORPEX_SetError(0);
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(VORPEX_GetError(), 0);
  VORPEX_Close(device);
}

TEST_F(Transport, RefusedRegistrationReleasesEverything) {
  PlayerSimSettings settings = Settings();
  settings.refuseRegistration = 1;
  ASSERT_TRUE(AttachFreshPlayer("transport", &settings));
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_VERSION);
  ExpectEverythingReleased();
}

TEST_F(Transport, OpenHaltsBothPipesTestResetsFourAndCloseReleases) {
  ASSERT_TRUE(AttachFreshPlayer("transport"));
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  auto log = WireLog();
  ASSERT_EQ(log.size(), 4u);
  const uint32_t halted[] = {0x02, 0x82, 0x03, 0x83};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(log[i].kind, PLAYERSIM_LOG_HALT);
    EXPECT_EQ(log[i].pipe, halted[i]);
  }
  uint32_t handles = 0;
  uint32_t devices = 0;
  PlayerSim_DriverUse(&handles, &devices);
  EXPECT_EQ(handles, 1u);  // the record's own; each transfer closed its handle again
  EXPECT_EQ(devices, 1u);

  PlayerSim_ClearLog();
  EXPECT_EQ(VORPEX_test(device), 1);
  log = WireLog();
  ASSERT_EQ(log.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(log[i].kind, PLAYERSIM_LOG_RESET);
    EXPECT_EQ(log[i].pipe, halted[i]);
  }

  VORPEX_Close(device);
  ExpectEverythingReleased();
  VORPEX_Close(nullptr);  // ignored
}

TEST_F(Transport, ReadWithNothingToReadFailsAfterTheReadTimeout) {
  ASSERT_TRUE(AttachFreshPlayer("transport"));
  PlayerSim_UseVirtualTime(1);
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  std::array<uint8_t, 512> buffer{};
  uint64_t before = PlayerSim_ElapsedMs();
  EXPECT_EQ(VORPEX_RecvUSB(device, buffer.data(), 512), 0);
  EXPECT_EQ(PlayerSim_ElapsedMs() - before, 3000u);
  EXPECT_EQ(VORPEX_ReadBulkPipe(device, 3, buffer.data(), 512), -1);

  EXPECT_EQ(VORPEX_SetTimeout(5000000, 5000000), 5000000u);
  before = PlayerSim_ElapsedMs();
  EXPECT_EQ(VORPEX_ReadBulkPipe(device, 0x83, buffer.data(), 512), -1);
  EXPECT_EQ(PlayerSim_ElapsedMs() - before, 5000000u);

  // A slow player is waited for up to the write time-out, and no longer.
  VORPEX_SetTimeout(3000, 2000);
  PlayerSim_SetFault(PLAYERSIM_FAULT_SLOW_DEVICE, 2500);
  std::array<uint8_t, 512> block{0x23, 0x00, 0x04, 0x3A, 'M', 'G', 0x2E};
  before = PlayerSim_ElapsedMs();
  EXPECT_EQ(VORPEX_SendUSB(device, block.data(), 512), 0);
  EXPECT_EQ(PlayerSim_ElapsedMs() - before, 2000u);
  PlayerSim_SetFault(PLAYERSIM_FAULT_SLOW_DEVICE, 100);
  EXPECT_EQ(VORPEX_SendUSB(device, block.data(), 512), 512);
  VORPEX_Close(device);
}

TEST_F(Transport, PipesThreeAnd0x83AreTheSameAndZeroBytesCountAsFailure) {
  ASSERT_TRUE(AttachFreshPlayer("transport"));
  PlayerSim_UseVirtualTime(1);
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  std::array<uint8_t, 512> block{0x23, 0x00, 0x04, 0x3A, 'M', 'F', 0x2E};
  std::array<uint8_t, 512> reply{};
  const std::array<uint8_t, 6> ok = {0x23, 0x00, 0x03, 0x3A, 0x00, 0x2E};

  PlayerSim_ClearLog();
  ASSERT_EQ(VORPEX_WriteBulkPipe(device, 2, block.data(), 512), 512);
  ASSERT_EQ(VORPEX_ReadBulkPipe(device, 3, reply.data(), 512), 512);
  EXPECT_TRUE(std::equal(ok.begin(), ok.end(), reply.begin()));
  ASSERT_EQ(VORPEX_SendUSB(device, block.data(), 512), 512);
  reply.fill(0);
  ASSERT_EQ(VORPEX_ReadBulkPipe(device, 0x83, reply.data(), 512), 512);
  EXPECT_TRUE(std::equal(ok.begin(), ok.end(), reply.begin()));
  for (const auto& entry : WireLog()) {
    EXPECT_EQ(entry.pipe, entry.kind == PLAYERSIM_LOG_IN ? 0x83u : 0x02u);
  }

  // A read that succeeds with 0 bytes: -1 is not given, but the command pipe calls it failure.
  ASSERT_EQ(VORPEX_SendUSB(device, block.data(), 512), 512);
  PlayerSim_SetFault(PLAYERSIM_FAULT_SHORT_TRANSFER, 1);
  EXPECT_EQ(VORPEX_ReadBulkPipe(device, 3, reply.data(), 512), 0);
  EXPECT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 512);  // the reply still waits
  ASSERT_EQ(VORPEX_SendUSB(device, block.data(), 512), 512);
  PlayerSim_SetFault(PLAYERSIM_FAULT_SHORT_TRANSFER, 1);
  EXPECT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 0);
  PlayerSim_SetFault(PLAYERSIM_FAULT_STALL_TRANSFER, 1);
  EXPECT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 0);

  // An unplugged player fails every transfer, and is not found by the next open.
  PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 1);
  EXPECT_EQ(VORPEX_SendUSB(device, block.data(), 512), 0);
  EXPECT_EQ(VORPEX_WriteBulkPipe(device, 2, block.data(), 512), -1);
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), 0);
  PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0);
  EXPECT_EQ(PlayerSim_Violations(), 0u);
  VORPEX_Close(device);
}

TEST_F(Transport, BrokenBlocksAndPipesAreRefusedAndCounted) {
  ASSERT_TRUE(AttachFreshPlayer("transport"));
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  std::array<uint8_t, 512> block{0x23, 0x00, 0x04, 0x3A, 'M', 'G', 0x2E};
  EXPECT_EQ(VORPEX_SendUSB(device, block.data(), 100), 0);
  EXPECT_EQ(VORPEX_WriteBulkPipe(device, 3, block.data(), 512), -1);  // not an OUT pipe
  std::array<uint8_t, 8> setup = {0x40, 0x02, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(VORPEX_WriteDefaultPipe(device, nullptr, 0, setup.data()), -1);
  EXPECT_EQ(PlayerSim_Violations(), 3u);
  EXPECT_EQ(VORPEX_SendUSB(device, nullptr, 512), 0);  // no buffer: nothing is sent
  EXPECT_EQ(VORPEX_SendUSB(nullptr, block.data(), 512), 0);
  EXPECT_EQ(PlayerSim_Violations(), 3u);

  // The cancel request: vendor request 1, no data.
  PlayerSim_ClearLog();
  const std::array<uint8_t, 8> cancel = {0x40, 0x01, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(VORPEX_WriteDefaultPipe(device, nullptr, 0, cancel.data()), 0);
  const auto log = WireLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].kind, PLAYERSIM_LOG_CONTROL);
  EXPECT_EQ(log[0].bytes, std::vector<uint8_t>(cancel.begin(), cancel.end()));
  VORPEX_Close(device);
}

TEST_F(Transport, PlayerFaultsReachTheReplies) {
  ASSERT_TRUE(AttachFreshPlayer("transport"));
  PlayerSim_UseVirtualTime(1);
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  std::array<uint8_t, 512> format{0x23, 0x00, 0x04, 0x3A, 'M', 'F', 0x2E};
  // "W" of a 1-byte file named "A.B", dated 0.
  std::array<uint8_t, 512> write{0x23, 0x00, 15, 0x3A, 'M', 'W', 'A', '.', 'B',
                                 0,    0,    0,  0,    0,   0,   0,   1,   0x2E};
  std::array<uint8_t, 512> reply{};

  ASSERT_EQ(PlayerSim_SetFault(PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 1), 1);
  ASSERT_EQ(VORPEX_SendUSB(device, format.data(), 512), 512);
  ASSERT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 512);
  EXPECT_NE(reply[4], 0);
  ASSERT_EQ(PlayerSim_SetFault(PLAYERSIM_FAULT_DROP_NEXT_REPLY, 1), 1);
  ASSERT_EQ(VORPEX_SendUSB(device, format.data(), 512), 512);
  EXPECT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 0);
  ASSERT_EQ(PlayerSim_SetFault(PLAYERSIM_FAULT_MEMORY_FULL, 1), 1);
  ASSERT_EQ(VORPEX_SendUSB(device, write.data(), 512), 512);
  ASSERT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 512);
  EXPECT_EQ(reply[4], 2);
  PlayerSim_ClearFaults();
  ASSERT_EQ(VORPEX_SendUSB(device, write.data(), 512), 512);
  ASSERT_EQ(VORPEX_RecvUSB(device, reply.data(), 512), 512);
  EXPECT_EQ(reply[4], 0);
  std::array<uint8_t, 512> data{0x99};
  ASSERT_EQ(VORPEX_SendUSB(device, data.data(), 512), 512);
  std::array<uint8_t, 4> stored{};
  EXPECT_EQ(PlayerSim_ReadFile(0, 0, stored.data(), 4), 1u);
  EXPECT_EQ(stored[0], 0x99);
  EXPECT_EQ(PlayerSim_ReadFile(0, 1, nullptr, 0), 0xFFFFFFFFu);
  EXPECT_EQ(PlayerSim_SetFault(99, 1), 0);
  EXPECT_EQ(PlayerSim_Violations(), 0u);
  VORPEX_Close(device);
}

TEST_F(Transport, StateDirectoryThatCannotBeUsedIsNoDriver) {
  // player.txt ("": none beside a stored file, never made afresh over it), the message.
  const std::pair<std::string, const char*> cases[] = {
      {"vorpex-player 1\ndriver-version many\n", "line 2"}, {"", "no simulated player in"}};
  for (const auto& [text, says] : cases) {
    const std::string dir = vorpex::test::FreshStateDir("transport");
    std::filesystem::create_directories(dir + "/M");
    std::ofstream(dir + "/M/1.bin") << "a song";
    if (!text.empty()) std::ofstream(dir + "/player.txt") << text;
    EXPECT_EQ(PlayerSim_Attach(dir.c_str()), 0);
    char message[200];
    EXPECT_GT(PlayerSim_GetMessage(message, sizeof message), 0u);
    EXPECT_NE(std::string(message).find(says), std::string::npos) << message;
    VORPEX_SetError(0);
    EXPECT_EQ(VORPEX_Open(), nullptr);
    EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_OPEN);
    EXPECT_EQ(std::filesystem::exists(dir + "/player.txt"), !text.empty()) << says;
  }
}

}  // namespace
