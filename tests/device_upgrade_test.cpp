// _Usb_UpgradeFirmware from a HEX file to the simulated player's firmware areas, on virtual time.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_testing.h"
#include "platform/environment.h"
#include "playersim.h"
#include "support/hex_text.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"
#include "support/upgrade_wire.h"
#include "vorpex_host.h"
#include "vorpex_shared.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using namespace vorpex::test;

std::string WriteHex(const std::string& name, const std::string& text) {
  std::string path = std::string(VORPEX_TEST_TMP) + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

class DeviceUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AttachFreshPlayer("device-upgrade"));
    PlayerSim_UseVirtualTime(1);
    OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
    ASSERT_EQ(Usb_Checking(0), 1);
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
  }
  void TearDown() override {
    Usb_Close(0);
    OrvaneTesting_UseSystemVersion();
    VORPEX_SetTimeout(3000, 2000);
    PlayerSim_ClearFaults();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }

  int32_t Upgrade(int32_t kind, const std::string& hexPath) {
    // The upgrade program passes the path twice; only the second counts.
    return Usb_UpgradeFirmware(nullptr, nullptr, kind, 0, nullptr, hexPath.c_str());
  }

  // The chip library's read time-out, read back from how long its transport waits for nothing.
  uint64_t ChipReadTimeout() {
    void* chip = VORPEX_Open();
    EXPECT_NE(chip, nullptr);
    uint8_t block[512];
    uint64_t start = PlayerSim_ElapsedMs();
    EXPECT_EQ(VORPEX_RecvUSB(chip, block, 512), 0);
    uint64_t waited = PlayerSim_ElapsedMs() - start;
    VORPEX_Close(chip);
    return waited;
  }
};

TEST_F(DeviceUpgrade, BootHexOfOneAreaSendsSixteenBlocks) {
  RecordingUi ui;
  auto image = Pattern(8192, 11);
  std::string hex = WriteHex("boot.hex", HexOf(0, image) + kHexEnd);
  uint64_t start = PlayerSim_ElapsedMs();
  ASSERT_EQ(Upgrade(-1, hex), 1);
  EXPECT_EQ(PlayerSim_ElapsedMs() - start, 6000u);
  ExpectUpgradeExchange(Exchange(), true, 0, image);
  EXPECT_EQ(Area(0), image);
  EXPECT_EQ(PlayerSim_Violations(), 0u);
  ASSERT_EQ(ui.windows.size(), 1u);
  EXPECT_EQ(ui.windows[0]->caption, "Boot Code Upgrade");
  EXPECT_EQ(ui.windows[0]->statuses.back(), hex);  // the HEX path, exactly as passed
  EXPECT_FALSE(ui.windows[0]->open);
  EXPECT_EQ(ChipReadTimeout(), 5000000u);
}

TEST_F(DeviceUpgrade, BootHexWithAByteBeyondTheAreaIsRefusedBeforeAnyCommand) {
  std::string hex = WriteHex("boot-big.hex", HexOf(0, Pattern(8192, 12)) +
                                                 Rec(0x2000, 0, {0x77}) + "\n" + kHexEnd);
  EXPECT_EQ(Upgrade(-1, hex), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_EQ(VORPEX_GetWindowsError(), 1903u);
  EXPECT_TRUE(Exchange().empty());
}

TEST_F(DeviceUpgrade, CodecImageStartsAtItsBase) {
  // Records below 0x2000 never reach the player; data from 0x2730 on follow 0x730 zeros.
  auto data = Pattern(3000, 13);
  std::string hex = WriteHex("codec.hex", HexOf(0x1000, Pattern(64, 14)) + HexOf(0x2730, data) +
                                              kHexEnd);
  ASSERT_EQ(Upgrade(0, hex), 1);
  std::vector<uint8_t> image(0x730, 0x00);
  image.insert(image.end(), data.begin(), data.end());
  ExpectUpgradeExchange(Exchange(), false, 0, image);
  auto area = Area(1);
  ASSERT_GE(area.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), area.begin()));
}

TEST_F(DeviceUpgrade, CorruptHexIsRefusedBeforeAnythingIsSent) {
  std::string text = HexOf(0x2000, Pattern(256, 15)) + kHexEnd;
  text[text.find('\n') - 1] ^= 1;  // the first record's checksum no longer adds up
  EXPECT_EQ(Upgrade(0, WriteHex("corrupt.hex", text)), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_EQ(VORPEX_GetWindowsError(), 13u);
  EXPECT_TRUE(Exchange().empty());
  EXPECT_EQ(Area(1).size(), 0u);
}

TEST_F(DeviceUpgrade, TimeoutsStayAtFiftyThousandAfterARefusedErase) {
  // The mode command refused: the player is not in upgrade mode and refuses the erase.
  PlayerSim_SetFault(PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 1);
  std::string hex = WriteHex("codec2.hex", HexOf(0x2000, Pattern(600, 16)) + kHexEnd);
  EXPECT_EQ(Upgrade(0, hex), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_INTERNAL);
  EXPECT_EQ(ChipReadTimeout(), 50000u);
}

TEST_F(DeviceUpgrade, WithoutASessionTheModeCommandCannotBeSent) {
  RecordingUi ui;
  Usb_Close(0);
  std::string hex = WriteHex("codec3.hex", HexOf(0x2000, Pattern(600, 17)) + kHexEnd);
  EXPECT_EQ(Upgrade(0, hex), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_USB);
  ASSERT_EQ(ui.windows.size(), 1u);  // after the window appeared
  EXPECT_FALSE(ui.windows[0]->open);
}

TEST_F(DeviceUpgrade, WithoutATemporaryFileNothingIsConvertedOrSent) {
  auto tmp = vorpex::platform::EnvironmentVariable("TMP");
  ASSERT_TRUE(vorpex::platform::SetEnvironment("TMP", VORPEX_TEST_TMP "/no-such-folder"));
  std::string hex = WriteHex("codec4.hex", HexOf(0x2000, Pattern(600, 18)) + kHexEnd);
  int32_t result = Upgrade(0, hex);
  vorpex::platform::SetEnvironment("TMP", tmp.value_or(""));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_NE(VORPEX_GetWindowsError(), 0u);
#ifndef _WIN32
  EXPECT_EQ(VORPEX_GetWindowsError(), 3u);  // the path was not found
#endif
  EXPECT_TRUE(Exchange().empty());
}

TEST_F(DeviceUpgrade, EachFailureAfterTheEraseGivesItsCode) {
  std::string hex = WriteHex("late.hex", HexOf(0x2000, Pattern(kLateFaultImage, 19)) + kHexEnd);
  for (const LateFault& f : kLateFaults) {
    RecordingUi ui;
    ArmLateFault(ui, f, hex);
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
    ExpectLateFailure(f, Upgrade(0, hex), ui);
    PlayerSim_ClearFaults();
  }
}

TEST_F(DeviceUpgrade, TheHostHearsEachStageInOrder) {
  struct Case {
    bool chipLibrary;
    int32_t kind;
    size_t size;
    const LateFault* fault;
    std::vector<int32_t> stages;
  };
  const std::vector<int32_t> whole{VORPEX_STAGE_MODE, VORPEX_STAGE_ERASE, VORPEX_STAGE_WRITE,
                                   VORPEX_STAGE_DATA, VORPEX_STAGE_FINAL, VORPEX_STAGE_ENDED};
  const Case cases[] = {
      {false, -1, 8192, nullptr, whole},
      {true, 0, 8193, nullptr, whole},
      {false,
       0,
       kLateFaultImage,
       &kLateFaults[0],
       {VORPEX_STAGE_MODE, VORPEX_STAGE_ERASE, VORPEX_STAGE_WRITE, VORPEX_STAGE_ENDED}},
  };
  for (const Case& c : cases) {
    RecordingUi ui;
    const std::string hex =
        WriteHex("stages.hex", HexOf(c.kind != 0 ? 0 : 0x2000, Pattern(c.size, 23)) + kHexEnd);
    if (c.fault != nullptr) ArmLateFault(ui, *c.fault, hex);
    if (c.chipLibrary) {
      const std::string image = std::string(VORPEX_TEST_TMP) + "/stages.bin";
      ASSERT_EQ(loc_ConvertHexToBin(hex.c_str(), image.c_str(), 0x2000), 1);
      void* chip = VORPEX_Open();
      EXPECT_EQ(VORPEX_UpgradeFirmware(nullptr, chip, c.kind, 0, image.c_str(), "s"), 1);
      VORPEX_Close(chip);
    } else {
      EXPECT_EQ(Upgrade(c.kind, hex), c.fault == nullptr ? 1 : 0);
    }
    std::vector<std::pair<int32_t, uint32_t>> want;
    for (int32_t stage : c.stages) want.emplace_back(stage, static_cast<uint32_t>(c.size));
    EXPECT_EQ(ui.stages, want) << "chip library " << c.chipLibrary << ", kind " << c.kind;
    PlayerSim_ClearFaults();
  }
}

// A temporary folder of the test's own, so that what the upgrade leaves there can be counted.
class DeviceUpgradeTemp : public DeviceUpgrade {
 protected:
  void SetUp() override {
    DeviceUpgrade::SetUp();
    folder_ = std::string(VORPEX_TEST_TMP) + "/upgrade-temp";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    saved_ = vorpex::platform::EnvironmentVariable("TMP");
    ASSERT_TRUE(vorpex::platform::SetEnvironment("TMP", folder_));
  }
  void TearDown() override {
    vorpex::platform::SetEnvironment("TMP", saved_.value_or(""));
    DeviceUpgrade::TearDown();
  }
  size_t TempFiles() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                             std::filesystem::directory_iterator()));
  }
  std::string folder_;
  std::optional<std::string> saved_;
};

TEST_F(DeviceUpgradeTemp, HexThatDoesNotConvertRecordsWhyAndSendsNothing) {
  const std::string image = HexOf(0x2000, Pattern(600, 20));
  struct Case {
    const char* what;
    std::string text;  // empty: no HEX file at all
    uint32_t windowsError;
    std::string says;  // besides the file's name
  } const cases[] = {
      {"missing file", "", 2, " cannot be read."},
      {"no end-of-file record", image, 13, " ends without its end-of-file record"},
      {"cut inside a record", image + kHexEnd.substr(0, 5), 13,
       " is damaged: the record at line 39 is cut short"},
      {"two records that lost the line end between them",
       Rec(0x2000, 0, {1}) + Rec(0x2001, 0, {2}) + "\n" + kHexEnd, 13,
       " is damaged: the record at line 1 runs on past its checksum"},
      {"a record behind more blanks than a line holds",
       image + std::string(521, ' ') + HexOf(0x2400, {1}) + kHexEnd, 13,
       " is damaged: line 39 is not a record, yet records follow it."},
  };
  for (const Case& c : cases) {
    RecordingUi ui;
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
    std::string hex = std::string(VORPEX_TEST_TMP) + "/not-there.hex";
    if (!c.text.empty()) hex = WriteHex("refused.hex", c.text);
    EXPECT_EQ(Upgrade(0, hex), 0) << c.what;
    EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS) << c.what;
    EXPECT_EQ(VORPEX_GetWindowsError(), c.windowsError) << c.what;
    char detail[512] = {};
    EXPECT_NE(VorpexShared_ErrorDetail(detail, sizeof detail), 0u) << c.what;
    EXPECT_NE(std::string(detail).find(hex + c.says), std::string::npos) << detail;
    EXPECT_TRUE(ui.windows.empty()) << c.what;
    EXPECT_TRUE(Exchange().empty()) << c.what;
    EXPECT_EQ(TempFiles(), 0u) << c.what << ": the refused image was left behind";
  }
}

TEST_F(DeviceUpgradeTemp, CodecDataWhollyBelowItsBaseIsAnEmptyImage) {
  RecordingUi ui;
  EXPECT_EQ(Upgrade(0, WriteHex("low.hex", HexOf(0x1000, Pattern(512, 21)) + kHexEnd)), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_EQ(VORPEX_GetWindowsError(), 1903u);
  EXPECT_EQ(ui.windows.size(), 1u);
  EXPECT_TRUE(Exchange().empty());
  EXPECT_EQ(TempFiles(), 0u);  // the converted image is gone once the upgrade has failed
}

#ifndef _WIN32
TEST_F(DeviceUpgradeTemp, UnwritableTemporaryFileRecordsTheSystemsCode) {
  // Files may not grow beyond 1 KiB: the temporary file is made, its image cannot be written.
  std::string hex = WriteHex("big.hex", HexOf(0x2000, Pattern(4096, 22)) + kHexEnd);
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 1024;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int32_t result = Upgrade(0, hex);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);  // NOLINT(cert-err33-c): puts back what it gave
  EXPECT_EQ(result, 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
  EXPECT_EQ(VORPEX_GetWindowsError(), 112u);  // the disk is full
  EXPECT_TRUE(Exchange().empty());
  EXPECT_EQ(TempFiles(), 0u);
}
#endif

}  // namespace
