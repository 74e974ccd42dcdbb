// VORPEX_UpgradeFirmware against the simulated player, on virtual time.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "playersim.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"
#include "support/upgrade_wire.h"

namespace {

using namespace vorpex::test;

constexpr uint32_t kUpgradeTimeout = 5000000;

std::string WriteImage(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = std::string(VORPEX_TEST_TMP) + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

class ChipUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AttachFreshPlayer("chip-upgrade"));
    PlayerSim_UseVirtualTime(1);
    device_ = VORPEX_Open();
    ASSERT_NE(device_, nullptr);
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
  }
  void TearDown() override {
    VORPEX_Close(device_);
    VORPEX_SetTimeout(3000, 2000);
    PlayerSim_ClearFaults();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }

  int32_t Upgrade(int32_t kind, const std::vector<uint8_t>& image, const char* status = "status",
                  int32_t mode = 0) {
    std::string path = WriteImage("chip-upgrade.bin", image);
    return VORPEX_UpgradeFirmware(nullptr, device_, kind, mode, path.c_str(), status);
  }

  // Both time-outs read back from how long a transfer waits when nothing comes.
  void ExpectTimeouts(uint32_t readMs, uint32_t writeMs) {
    uint8_t block[512] = {};
    PlayerSim_ClearFaults();
    uint64_t start = PlayerSim_ElapsedMs();
    EXPECT_EQ(VORPEX_RecvUSB(device_, block, 512), 0);
    EXPECT_EQ(PlayerSim_ElapsedMs() - start, readMs);
    PlayerSim_SetFault(PLAYERSIM_FAULT_STALL_TRANSFER, 1);
    start = PlayerSim_ElapsedMs();
    EXPECT_EQ(VORPEX_SendUSB(device_, block, 512), 0);
    EXPECT_EQ(PlayerSim_ElapsedMs() - start, writeMs);
  }

  void* device_ = nullptr;
};

TEST_F(ChipUpgrade, BootImageOfOneAreaLandsBlockForBlock) {
  RecordingUi ui;
  auto image = Pattern(8192, 1);
  uint64_t start = PlayerSim_ElapsedMs();
  ASSERT_EQ(Upgrade(-1, image, "boot.hex", 0x5A), 1);
  EXPECT_EQ(PlayerSim_ElapsedMs() - start, 6000u);  // six one-second pauses, nothing else
  ExpectUpgradeExchange(Exchange(), true, 0x5A, image);
  EXPECT_EQ(Area(0), image);
  EXPECT_EQ(PlayerSim_Violations(), 0u);

  ASSERT_EQ(ui.windows.size(), 1u);
  const RecordedWindow& w = *ui.windows[0];
  EXPECT_EQ(w.caption, "Boot Code Upgrade");
  EXPECT_EQ(w.statuses, (std::vector<std::string>{"", "Boot Area Erasing...", "boot.hex"}));
  ASSERT_FALSE(w.percents.empty());
  EXPECT_EQ(w.percents.back(), "100 %");
  EXPECT_TRUE(std::is_sorted(w.positions.begin(), w.positions.end()));
  EXPECT_FALSE(w.open);
  ExpectTimeouts(kUpgradeTimeout, kUpgradeTimeout);
}

TEST_F(ChipUpgrade, CodecImagePadsItsLastBlock) {
  RecordingUi ui;
  auto image = Pattern(8193, 2);
  ASSERT_EQ(Upgrade(0, image, nullptr), 1);
  ExpectUpgradeExchange(Exchange(), false, 0, image);  // 00 11 blocks, 1 byte and 511 zeros
  auto area = Area(1);
  ASSERT_EQ(area.size(), 17u * 512u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), area.begin()));
  EXPECT_TRUE(std::all_of(area.begin() + 8193, area.end(), [](uint8_t b) { return b == 0; }));
  // No status text: the erase text stays up while the image is written.
  ASSERT_EQ(ui.windows.size(), 1u);
  EXPECT_EQ(ui.windows[0]->caption, "Codec Upgrade");
  EXPECT_EQ(ui.windows[0]->text, "Codec Area Erasing...");
}

TEST_F(ChipUpgrade, ImagesOfUnusableSizeAreRefusedBeforeAnythingIsSent) {
  RecordingUi ui;
  EXPECT_EQ(Upgrade(1, Pattern(8193, 3)), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_EQ(VORPEX_GetWindowsError(), 1903u);
  EXPECT_TRUE(Exchange().empty());
  ExpectTimeouts(kUpgradeTimeout, kUpgradeTimeout);  // whatever the outcome

  // An empty image: the window appeared and is closed again.
  VORPEX_SetError(0);
  PlayerSim_ClearLog();
  EXPECT_EQ(Upgrade(0, {}), 0);
  EXPECT_EQ(VORPEX_GetWindowsError(), 1903u);
  EXPECT_TRUE(Exchange().empty());
  ASSERT_EQ(ui.windows.size(), 2u);
  EXPECT_FALSE(ui.windows[1]->open);

  // A missing image: the system's error, no window.
  EXPECT_EQ(VORPEX_UpgradeFirmware(nullptr, device_, 0, 0, VORPEX_TEST_TMP "/none.bin", "x"), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_EQ(VORPEX_GetWindowsError(), 2u);
  EXPECT_EQ(ui.windows.size(), 2u);
}

TEST_F(ChipUpgrade, LargestCodecImageIsTakenAndOneByteMoreIsNot) {
  auto image = Pattern(65535u * 512u, 4);
  ASSERT_EQ(Upgrade(0, image), 1);
  auto wire = Exchange();
  ASSERT_EQ(wire.size(), 7u + 65535u);
  EXPECT_EQ(Head(wire[4], 10),
            (std::vector<uint8_t>{0x23, 0x00, 0x07, 0x3A, 0x43, 0x01, 0x50, 0xFF, 0xFF, 0x2E}));
  EXPECT_TRUE(Area(1) == image);

  PlayerSim_ClearLog();
  image.push_back(0);
  EXPECT_EQ(Upgrade(0, image), 0);
  EXPECT_EQ(VORPEX_GetWindowsError(), 1903u);
  EXPECT_TRUE(Exchange().empty());
}

TEST_F(ChipUpgrade, RefusedModeReplyDoesNotStopIt) {
  // The player is in upgrade mode already and answers the second mode command with a refusal.
  const uint8_t mode[] = {0x10, 0};
  auto block = std::vector<uint8_t>(512, 0);
  const uint8_t head[] = {0x23, 0x00, 0x06, 0x3A, 0x47, 0x4F, mode[0], mode[1], 0x2E};
  std::copy(std::begin(head), std::end(head), block.begin());
  ASSERT_EQ(VORPEX_SendUSB(device_, block.data(), 512), 512);
  ASSERT_EQ(VORPEX_RecvUSB(device_, block.data(), 512), 512);
  PlayerSim_ClearLog();
  PlayerSim_SetFault(PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 1);
  auto image = Pattern(1000, 5);
  ASSERT_EQ(Upgrade(0, image), 1);
  auto wire = Exchange();
  ASSERT_EQ(wire.size(), 9u);
  EXPECT_NE(Head(wire[1], 6), kOk);
}

TEST_F(ChipUpgrade, EachFailureStageGivesItsCodeAndClosesTheWindow) {
  RecordingUi ui;
  // The player gone: the mode command cannot be sent.
  PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 1);
  EXPECT_EQ(Upgrade(0, Pattern(600, 6)), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_USB);
  PlayerSim_ClearFaults();

  // The mode command is lost: no reply comes.
  PlayerSim_SetFault(PLAYERSIM_FAULT_DROP_NEXT_REPLY, 1);
  EXPECT_EQ(Upgrade(0, Pattern(600, 6)), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_USB);

  // The mode command is refused: the player is not in upgrade mode and refuses the erase.
  PlayerSim_SetFault(PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 1);
  PlayerSim_ClearLog();
  EXPECT_EQ(Upgrade(0, Pattern(600, 6)), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_INTERNAL);
  EXPECT_EQ(Exchange().size(), 4u);  // nothing after the refused erase

  ASSERT_EQ(ui.windows.size(), 3u);
  for (const auto& w : ui.windows) EXPECT_FALSE(w->open);
  EXPECT_EQ(Area(1).size(), 0u);
}

TEST_F(ChipUpgrade, EachFailureAfterTheEraseGivesItsCode) {
  for (const LateFault& f : kLateFaults) {
    RecordingUi ui;
    ArmLateFault(ui, f, "late.hex");
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
    ExpectLateFailure(f, Upgrade(0, Pattern(kLateFaultImage, 7), "late.hex"), ui);
    PlayerSim_ClearFaults();
  }
}

#ifndef _WIN32
TEST_F(ChipUpgrade, ImageThatReadsShortIsReportedNotPadded) {
  // A sysfs file claims 4096 bytes and holds far fewer.
  const char* shortFile = "/sys/kernel/mm/transparent_hugepage/enabled";
  if (!std::ifstream(shortFile)) GTEST_SKIP() << shortFile << " is not there";
  EXPECT_EQ(VORPEX_UpgradeFirmware(nullptr, device_, 0, 0, shortFile, "x"), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_NE(VORPEX_GetWindowsError(), 0u);
}
#endif

}  // namespace
