// Both libraries reaching a player through libusb with no simulator asked for: the player is on
// an emulated USB bus (umockdev), answered by the simulated player's model. Each suite needs a
// process of its own (libusb starts once per process), as CTest runs them; the programs run
// under umockdev-wrapper.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_testing.h"
#include "playersim.h"
#include "support/emulated_usb_player.h"
#include "support/hex_text.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"
#include "support/upgrade_wire.h"

namespace {

using namespace vorpex;
using namespace vorpex::test;

std::vector<WireEntry> EmulatedExchange(sim::Player& player) {
  std::vector<WireEntry> out;
  for (const sim::LogEntry& e : player.log().entries()) {
    if (e.kind == sim::LogKind::kOut || e.kind == sim::LogKind::kIn) {
      out.push_back({static_cast<int32_t>(e.kind), e.pipe, e.ok, e.bytes});
    }
  }
  return out;
}

std::string WriteFile(const std::string& name, const std::string& text) {
  std::string path = std::string(VORPEX_TEST_TMP) + "/usb-" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// A codec HEX file and the image the player must end up with (from its base 0x2000 on).
struct CodecHex {
  std::string path;
  std::vector<uint8_t> image;
};
CodecHex MakeCodecHex(const std::string& name, size_t size, uint32_t seed) {
  CodecHex hex;
  hex.image = Pattern(size, seed);
  hex.path = WriteFile(name, HexOf(0x2000, hex.image) + kHexEnd);
  return hex;
}

void ExpectAreaStartsWith(sim::Player& player, const std::vector<uint8_t>& image) {
  const auto& area = player.model().data().codecArea;
  ASSERT_GE(area.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), area.begin()));
}

// vorpex run as a program; it inherits the emulated bus.
std::string RunVorpex(const std::string& arguments, int& status) {
  std::string output;
  const std::string command = std::string(VORPEX_PROGRAM_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");  // NOLINT(cert-env33-c): the program under test
  if (pipe == nullptr) return output;
  char chunk[512];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
  status = pclose(pipe);
  return output;
}

class UsbPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bus_ = std::make_unique<EmulatedUsbPlayer>(sim::PlayerSettings{});
  }
  static void TearDownTestSuite() { bus_.reset(); }
  void SetUp() override {
    ASSERT_EQ(PlayerSim_IsAttached(), 0);
    PlayerSim_UseVirtualTime(1);
    bus_->player().log().Clear();
    VORPEX_SetError(0);
  }
  void TearDown() override {
    Usb_Close(0);
    OrvaneTesting_UseSystemVersion();
    PlayerSim_UseVirtualTime(0);
  }
  static std::unique_ptr<EmulatedUsbPlayer> bus_;
};
std::unique_ptr<EmulatedUsbPlayer> UsbPlayer::bus_;

TEST_F(UsbPlayer, ChipLibraryOpensThePlayerAndUpgradesTheCodec) {
  RecordingUi ui;
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr) << "error " << VORPEX_GetError();
  const std::vector<uint8_t> image = Pattern(5000, 21);
  const std::string path = WriteFile("chip-codec.bin", std::string(image.begin(), image.end()));
  ASSERT_EQ(VORPEX_UpgradeFirmware(nullptr, device, 0, 0, path.c_str(), "status"), 1)
      << "error " << VORPEX_GetError();
  VORPEX_Close(device);
  ExpectUpgradeExchange(EmulatedExchange(bus_->player()), false, 0, image);
  ExpectAreaStartsWith(bus_->player(), image);
  EXPECT_EQ(bus_->player().violations(), 0u);
  for (const WireEntry& e : EmulatedExchange(bus_->player())) {
    EXPECT_EQ(e.pipe, e.kind == PLAYERSIM_LOG_OUT ? 0x02u : 0x83u);
  }
}

TEST_F(UsbPlayer, DeviceLibraryFindsThePlayerOnBothRoutes) {
  // Windows XP takes the device-interface route, Windows 98 the fixed names.
  const struct { uint32_t major, minor, platform; } systems[] = {{5, 1, 2}, {4, 10, 1}};
  for (const auto& system : systems) {
    SCOPED_TRACE(system.major);
    OrvaneTesting_SetOsVersion(system.major, system.minor, 2600, system.platform);
    ASSERT_EQ(Usb_Checking(0), 1);
    uint8_t info[20] = {};
    ASSERT_EQ(Usb_GetDevInfo(nullptr, info), 0);
    const auto& expected = bus_->player().settings().deviceInfo;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), info));
    Usb_Close(0);
  }
}

TEST_F(UsbPlayer, DeviceLibraryUpgradesTheCodecFromHex) {
  RecordingUi ui;
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  bus_->player().log().Clear();
  const CodecHex hex = MakeCodecHex("device-codec.hex", 3000, 22);
  ASSERT_EQ(Usb_UpgradeFirmware(nullptr, nullptr, 0, 0, nullptr, hex.path.c_str()), 1)
      << "error " << VORPEX_GetError();
  ExpectUpgradeExchange(EmulatedExchange(bus_->player()), false, 0, hex.image);
  ExpectAreaStartsWith(bus_->player(), hex.image);
  EXPECT_EQ(bus_->player().violations(), 0u);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file to the player, found in its directory and back, byte for byte, through each library,
// and through the device library's copies (the chip library's) inside a device session.
TEST_F(UsbPlayer, FilesGoToThePlayerAndComeBackThroughBothLibraries) {
  enum class Route { kChip, kDevice, kChipInsideSession };
  const std::vector<uint8_t> bytes = Pattern(16385, 23);
  const std::string text(bytes.begin(), bytes.end());
  for (const Route route : {Route::kChip, Route::kDevice, Route::kChipInsideSession}) {
    const std::string name = "file" + std::to_string(static_cast<int>(route)) + ".dat";
    SCOPED_TRACE(name);
    const std::string source = WriteFile(name, text);
    const std::string back = source + ".back";
    std::filesystem::remove(back);
    uint32_t count = 0;
    uint32_t size = 0;
    if (route != Route::kChip) {
      OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
      ASSERT_EQ(Usb_Checking(0), 1);
    }
    if (route != Route::kDevice) {
      const bool inSession = route == Route::kChipInsideSession;
      void* device = VORPEX_Open();
      ASSERT_NE(device, nullptr) << "error " << VORPEX_GetError();
      ASSERT_EQ(inSession ? Usb_DownloadElseFile(nullptr, device, 0, source.c_str())
                          : VORPEX_DownloadIndexFile(nullptr, device, 0, source.c_str()),
                1)
          << "error " << VORPEX_GetError();
      MemoryInfo info{};
      DirEntry entries[8] = {};
      count = 8;
      ASSERT_EQ(VORPEX_Refresh(device, 0, &info, entries, &count), 1);
      ASSERT_GE(count, 1u);
      size = entries[count - 1].size;
      const auto index = static_cast<int32_t>(count - 1);
      ASSERT_EQ(inSession ? Usb_UploadFile(nullptr, device, 0, index, back.c_str(), nullptr, size)
                          : VORPEX_UploadIndexFile(nullptr, device, 0, index, back.c_str(), nullptr,
                                                   size),
                1)
          << "error " << VORPEX_GetError();
      VORPEX_Close(device);
      if (inSession) {
        uint8_t deviceInfo[20] = {};
        EXPECT_EQ(Usb_GetDevInfo(nullptr, deviceInfo), 0) << "the session ended with the copies";
      }
    } else {
      ASSERT_EQ(Usb_DownloadIndexFile(nullptr, nullptr, 0, source.c_str()), 1)
          << "error " << VORPEX_GetError();
      uint32_t info[5] = {};
      std::vector<uint8_t> entries(8 * 32);
      count = 8;
      ASSERT_EQ(Usb_Refresh(nullptr, 0, info, entries.data(), &count), 1);
      ASSERT_GE(count, 1u);
      EXPECT_EQ(Usb_FileCount(reinterpret_cast<void*>(1), 0), count);
      size = Usb_ListFileSize(0, 0, static_cast<int32_t>(count - 1));
      ASSERT_EQ(Usb_UploadIndexFile(nullptr, nullptr, 0, static_cast<int32_t>(count - 1),
                                    back.c_str(), nullptr, size),
                1)
          << "error " << VORPEX_GetError();
    }
    Usb_Close(0);
    EXPECT_EQ(size, bytes.size());
    EXPECT_TRUE(ReadWhole(back) == text) << back << " differs from what was sent";
  }
  EXPECT_EQ(bus_->player().violations(), 0u);
}

TEST_F(UsbPlayer, ARequestedSimulatorComesFirst) {
  ASSERT_TRUE(vorpex::test::AttachFreshPlayer("usb-simulator-first"));
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  VORPEX_Close(device);
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  Usb_Close(0);
  EXPECT_GT(PlayerSim_LogCount(), 0u);
  EXPECT_TRUE(bus_->player().log().entries().empty()) << "the player on the bus was touched";
  PlayerSim_Detach();
}

TEST_F(UsbPlayer, ARequestedSimulatorThatCannotBeUsedIsNoDriverAtAll) {
  const std::string dir = std::string(VORPEX_TEST_TMP) + "/usb-simulator-unusable";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/player.txt") << "vorpex-player 1\npresent maybe\n";
  ASSERT_EQ(PlayerSim_Attach(dir.c_str()), 0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_OPEN);
  for (auto [major, minor, platform] : {std::tuple{5u, 1u, 2u}, std::tuple{4u, 10u, 1u}}) {
    OrvaneTesting_SetOsVersion(major, minor, 2600, platform);
    EXPECT_EQ(Usb_Checking(0), 0);
  }
  EXPECT_TRUE(bus_->player().log().entries().empty()) << "the player on the bus was touched";
  PlayerSim_Detach();
}

TEST_F(UsbPlayer, CancelHaltsEveryPipeAndTheSessionGoesOn) {
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  bus_->player().log().Clear();
  Usb_CancelTransfer(nullptr);
  std::vector<uint32_t> halted;
  for (const sim::LogEntry& e : bus_->player().log().entries()) {
    if (e.kind == sim::LogKind::kHalt) halted.push_back(e.pipe);
  }
  EXPECT_EQ(halted, (std::vector<uint32_t>{0x01, 0x02, 0x83}));
  uint8_t info[20] = {};
  EXPECT_EQ(Usb_GetDevInfo(nullptr, info), 0);
  EXPECT_EQ(bus_->player().violations(), 0u);
}

// The write pipe comes from the player's real configuration descriptor, by each route's rule:
// PIPE00 (0x01) from a total length of 40 on the device-interface route (Windows XP), from 18
// endpoints on the fixed-name route (Windows 98); PIPE01 (0x02) below. One layout per process.
class UsbEndpointLayout : public ::testing::Test {
 protected:
  static void ExpectCommandsOn(const sim::PlayerSettings& settings, bool fixedNames,
                               uint32_t writeEndpoint) {
    EmulatedUsbPlayer bus(settings);
    PlayerSim_UseVirtualTime(1);
    if (fixedNames) {
      OrvaneTesting_SetOsVersion(4, 10, 1998, 1);
    } else {
      OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
    }
    ASSERT_EQ(Usb_Checking(0), 1);
    uint8_t info[20] = {};
    EXPECT_EQ(Usb_GetDevInfo(nullptr, info), 0);
    Usb_Close(0);
    const auto exchange = EmulatedExchange(bus.player());
    ASSERT_EQ(exchange.size(), 2u);
    EXPECT_EQ(exchange[0].pipe, writeEndpoint);
    EXPECT_EQ(exchange[1].pipe, 0x83u);
    EXPECT_EQ(bus.player().violations(), 0u);
    OrvaneTesting_UseSystemVersion();
    PlayerSim_UseVirtualTime(0);
  }
  static sim::PlayerSettings Endpoints(uint32_t count, uint32_t reportedLength = 0) {
    sim::PlayerSettings settings;
    settings.endpointCount = count;
    settings.configurationLength = reportedLength;
    return settings;
  }
};

TEST_F(UsbEndpointLayout, FourEndpointsOnTheInterfaceRoute) {
  ExpectCommandsOn(Endpoints(4), false, 0x01);
}
TEST_F(UsbEndpointLayout, ReportedLength40OnTheInterfaceRoute) {
  ExpectCommandsOn(Endpoints(3, 40), false, 0x01);
}
TEST_F(UsbEndpointLayout, FourEndpointsOnTheFixedNameRoute) {
  ExpectCommandsOn(Endpoints(4), true, 0x02);
}
TEST_F(UsbEndpointLayout, EighteenEndpointsOnTheFixedNameRoute) {
  ExpectCommandsOn(Endpoints(18), true, 0x01);
}

// A bus without the player: the libraries' "no player" results.
class UsbWithoutPlayer : public ::testing::Test {};

TEST_F(UsbWithoutPlayer, NeitherLibraryFindsAPlayer) {
  EmulatedUsbPlayer bus(sim::PlayerSettings{}, false);
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), 0);  // no player leaves the error as it was
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  EXPECT_EQ(Usb_Checking(0), 0);
  EXPECT_EQ(VORPEX_GetError(), 0);
  OrvaneTesting_UseSystemVersion();
}

// No USB at all (no bus in the system): no driver.
class NoUsb : public ::testing::Test {};

TEST_F(NoUsb, ChipLibraryHasNoDriver) {
  UMockdevTestbed* empty = umockdev_testbed_new();
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_OPEN);
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  EXPECT_EQ(Usb_Checking(0), 0);
  OrvaneTesting_UseSystemVersion();
  g_object_unref(empty);
}

// A player another program holds (32), or the user may not open (5, and the udev rule): error 6
// with that reason on both routes, told by vorpex; once the reason is gone the player opens.
class UsbRefusingPlayer : public ::testing::Test {};

TEST_F(UsbRefusingPlayer, OpenFailsWithTheSystemsReason) {
  const struct {
    void (*refuse)(EmulatedUsbPlayer&, bool);
    uint32_t windowsError;
    const char* says;
    const char* advice;
  } cases[] = {
      {[](EmulatedUsbPlayer& bus, bool on) { bus.HoldElsewhere(on); }, 32,
       "vorpex: the player is in use by another program", "library error 6, Windows error 32"},
      {[](EmulatedUsbPlayer& bus, bool on) { bus.RefuseOpen(on); }, 5,
       "vorpex: the player is plugged in, but this user may not open it\n",
       "70-vorpex-player.rules"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.windowsError);
    EmulatedUsbPlayer bus(sim::PlayerSettings{});
    c.refuse(bus, true);
    VORPEX_SetError(0);
    EXPECT_EQ(VORPEX_Open(), nullptr);
    EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
    EXPECT_EQ(VORPEX_GetWindowsError(), c.windowsError);
    VORPEX_SetError(0);
    OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
    EXPECT_EQ(Usb_Checking(0), 0);
    EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_WINDOWS);
    EXPECT_EQ(VORPEX_GetWindowsError(), c.windowsError);
    int status = -1;
    const std::string output = RunVorpex("info", status);
    EXPECT_NE(status, 0) << output;
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
    EXPECT_NE(output.find(c.advice), std::string::npos) << output;
    c.refuse(bus, false);
    EXPECT_EQ(Usb_Checking(0), 1);
    Usb_Close(0);
    OrvaneTesting_UseSystemVersion();
  }
}

// A player pulled out in the middle of an upgrade, on either library's route: the transfer
// fails as a time-out would, the upgrade fails, and the player works again once plugged back.
class UsbUnplug : public ::testing::Test {};

TEST_F(UsbUnplug, UpgradeFailsCleanlyOnBothRoutes) {
  EmulatedUsbPlayer bus(sim::PlayerSettings{});
  RecordingUi ui;
  PlayerSim_UseVirtualTime(1);
  const std::vector<uint8_t> image = Pattern(8192, 23);
  const std::string path = WriteFile("unplug.bin", std::string(image.begin(), image.end()));
  void* device = VORPEX_Open();
  ASSERT_NE(device, nullptr);
  bus.Unplug(5);  // mode, erase, write, then two data blocks
  EXPECT_EQ(VORPEX_UpgradeFirmware(nullptr, device, 0, 0, path.c_str(), "status"), 0);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_USB);
  VORPEX_Close(device);
  EXPECT_EQ(VORPEX_Open(), nullptr);

  bus.Replug();
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  const CodecHex hex = MakeCodecHex("unplug.hex", 8192, 25);
  bus.Unplug(5);
  VORPEX_SetError(0);
  EXPECT_EQ(Usb_UpgradeFirmware(nullptr, nullptr, 0, 0, nullptr, hex.path.c_str()), 0);
  EXPECT_NE(VORPEX_GetError(), 0);
  Usb_Close(0);
  EXPECT_EQ(Usb_Checking(0), 0);

  bus.Replug();
  ASSERT_EQ(Usb_Checking(0), 1);
  uint8_t info[20] = {};
  EXPECT_EQ(Usb_GetDevInfo(nullptr, info), 0);
  Usb_Close(0);
  OrvaneTesting_UseSystemVersion();
  PlayerSim_UseVirtualTime(0);
}

// vorpex as a process against the emulated player (it inherits the testbed).
class UsbVorpex : public ::testing::Test {};

TEST_F(UsbVorpex, InfoAndCodecUpgrade) {
  EmulatedUsbPlayer bus(sim::PlayerSettings{});
  int status = -1;
  const std::string info = RunVorpex("info", status);
  EXPECT_EQ(status, 0) << info;
  EXPECT_NE(info.find("\"SIM MP3 PLAYER 1.00 \""), std::string::npos) << info;
  const CodecHex hex = MakeCodecHex("vorpex-codec.hex", 2000, 24);
  const std::string upgrade = RunVorpex("--quiet upgrade codec " + hex.path, status);
  EXPECT_EQ(status, 0) << upgrade;
  ExpectAreaStartsWith(bus.player(), hex.image);
  EXPECT_EQ(bus.player().violations(), 0u);
}

}  // namespace
