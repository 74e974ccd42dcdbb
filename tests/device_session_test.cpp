// The device library's session and command channel against the simulated player's driver face.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_testing.h"
#include "platform/file.h"
#include "playersim.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using namespace vorpex::test;

// A file handle as callers of Usb_WriteData hold one, and whether it is still open.
void* CreateOutput(const std::string& path) {
#ifdef _WIN32
  return ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
#else
  return reinterpret_cast<void*>(static_cast<intptr_t>(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)));
#endif
}
bool IsOpen(void* file) {
#ifdef _WIN32
  DWORD flags = 0;
  return ::GetHandleInformation(file, &flags) != 0;
#else
  return ::fcntl(static_cast<int>(reinterpret_cast<intptr_t>(file)), F_GETFD) != -1;
#endif
}
void CloseOutput(void* file) {
#ifdef _WIN32
  ::CloseHandle(file);
#else
  ::close(static_cast<int>(reinterpret_cast<intptr_t>(file)));
#endif
}
std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Paths of the driver files opened since the log was cleared, in order.
std::vector<std::string> Opened() {
  std::vector<std::string> paths;
  for (const WireEntry& e : WireLog()) {
    if (e.kind == PLAYERSIM_LOG_OPEN && e.ok) paths.emplace_back(e.bytes.begin(), e.bytes.end());
  }
  return paths;
}

class DeviceSession : public ::testing::Test {
 protected:
  void Attach(const PlayerSimSettings* settings = nullptr) {
    ASSERT_TRUE(AttachFreshPlayer("device", settings));
    PlayerSim_UseVirtualTime(1);
    PlayerSim_ClearLog();
  }
  void TearDown() override {
    Usb_Close(0);
    EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u);  // everything opened was closed
    OrvaneTesting_UseSystemVersion();
    PlayerSim_ClearFaults();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }
  static PlayerSimSettings Defaults() {
    PlayerSimSettings s;
    PlayerSim_DefaultSettings(&s);
    return s;
  }
};

// Runs alone, in a process of its own (tests/CMakeLists.txt): no check has ever opened a session.
TEST_F(DeviceSession, DeviceInformationBeforeAnyCheckShowsErrorThree) {
  Attach();
  RecordingUi ui;
  uint8_t info[20];
  std::memset(info, 0xAB, sizeof info);
  EXPECT_EQ(Usb_GetDevInfo(nullptr, info), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "VORPEXUSB_ERR_DEVICE_OPEN");
  for (uint8_t b : info) EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(Usb_SendCommand(nullptr, 0, 'G', nullptr, 0), 0);  // no session: nothing sent
  EXPECT_TRUE(Opened().empty());
}

TEST_F(DeviceSession, UnsupportedSystemsOpenNothing) {
  Attach();
  for (auto [major, minor, platform] : {std::tuple{4u, 0u, 1u}, std::tuple{3u, 51u, 2u}}) {
    OrvaneTesting_SetOsVersion(major, minor, 0, platform);
    EXPECT_EQ(Usb_Checking(0), 0);
    EXPECT_EQ(OrvaneTesting_RouteCode(), 1);
  }
  EXPECT_TRUE(WireLog().empty());
}

TEST_F(DeviceSession, FixedNamesOnWindows98AndMe) {
  for (uint32_t minor : {10u, 90u}) {
    for (auto [endpoints, writePipe] : {std::pair{17u, "PIPE01"}, std::pair{18u, "PIPE00"}}) {
      PlayerSimSettings s = Defaults();
      s.endpointCount = endpoints;
      Attach(&s);
      OrvaneTesting_SetOsVersion(4, minor, 1998, 1);
      ASSERT_EQ(Usb_Checking(0), 1);
      EXPECT_EQ(Opened(), (std::vector<std::string>{"\\\\.\\Vizu10-0",
                                                    std::string("\\\\.\\Vizu10-0\\") + writePipe,
                                                    "\\\\.\\Vizu10-0\\PIPE02"}));
      Usb_Close(0);
      PlayerSim_Detach();
    }
  }
}

TEST_F(DeviceSession, InterfaceClassOnTheNtFamilyPicksTheWritePipeByTotalLength) {
  for (auto [length, writePipe] : {std::pair{39u, "\\PIPE01"}, std::pair{40u, "\\PIPE00"}}) {
    PlayerSimSettings s = Defaults();
    s.configurationLength = length;
    Attach(&s);
    OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
    ASSERT_EQ(Usb_Checking(0), 1);
    // Each file is found anew (the interface opened and closed), then opened: the interface
    // itself, then the cancel, read and write pipes.
    std::vector<std::string> pipes;
    for (const auto& path : Opened()) {
      if (path.find("\\PIPE") != std::string::npos) pipes.push_back(path.substr(path.size() - 7));
    }
    EXPECT_EQ(pipes, (std::vector<std::string>{"\\PIPE00", "\\PIPE02", writePipe}));
    Usb_Close(0);
    PlayerSim_Detach();
  }
}

TEST_F(DeviceSession, AnUnusableSimulatedPlayerIsNoDriverOnEveryRoute) {
  const std::string dir = FreshStateDir("device-unusable");
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/player.txt") << "vorpex-player 1\npresent maybe\n";
  ASSERT_EQ(PlayerSim_Attach(dir.c_str()), 0);
  for (auto [major, minor, platform, route] :
       {std::tuple{4u, 10u, 1u, 98}, std::tuple{5u, 1u, 2u, 2000}}) {
    OrvaneTesting_SetOsVersion(major, minor, 0, platform);
    EXPECT_EQ(Usb_Checking(0), 0);
    EXPECT_EQ(OrvaneTesting_RouteCode(), route);
  }
  VORPEX_SetError(0);
  EXPECT_EQ(VORPEX_Open(), nullptr);
  EXPECT_EQ(VORPEX_GetError(), VORPEX_ERR_DEVICEDRIVER_OPEN);
  char message[200] = {};
  PlayerSim_GetMessage(message, sizeof message);
  EXPECT_NE(std::string(message).find("player.txt line 2"), std::string::npos) << message;
}

TEST_F(DeviceSession, LiveSessionIsKeptAndAClosedOneReopened) {
  Attach();
  OrvaneTesting_SetOsVersion(5, 0, 2195, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  PlayerSim_ClearLog();
  EXPECT_EQ(Usb_Checking(0), 1);
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(Usb_Close(0), 1);
  EXPECT_EQ(Usb_Close(0), 1);
  EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u);
  EXPECT_EQ(Usb_Checking(0), 1);
  EXPECT_FALSE(Opened().empty());

  // Unplugged, the session stops answering and cannot be opened again.
  PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 1);
  EXPECT_EQ(Usb_Checking(0), 0);
}

TEST_F(DeviceSession, FirstInterfaceThatOpensIsUsed) {
  PlayerSimSettings s = Defaults();
  s.interfaceCount = 2;
  s.refuseOpenMask = 1;
  Attach(&s);
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  auto opened = Opened();
  ASSERT_FALSE(opened.empty());
  for (const auto& path : opened) EXPECT_NE(path.find("#sim1#"), std::string::npos) << path;
}

TEST_F(DeviceSession, CommandBlocksAndTheAcknowledgement) {
  PlayerSimSettings s = Defaults();
  std::memcpy(s.deviceInfo, "0123456789ABCDEFGHIJ", 20);
  Attach(&s);
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  PlayerSim_ClearLog();

  uint8_t info[20] = {};
  ASSERT_EQ(Usb_GetDevInfo(nullptr, info), 0);
  EXPECT_EQ(std::string(info, info + 20), "0123456789ABCDEFGHIJ");
  auto wire = WireLog();
  ASSERT_GE(wire.size(), 2u);
  EXPECT_EQ(std::vector<uint8_t>(wire[0].bytes.begin(), wire[0].bytes.begin() + 7),
            (std::vector<uint8_t>{0x23, 0x00, 0x04, 0x3A, 0x59, 0x59, 0x2E}));

  // Letters by area; areas outside -2 to 2 are refused before anything is sent.
  const uint8_t index = 0;
  PlayerSim_ClearLog();
  EXPECT_EQ(Usb_SendCommand(nullptr, 1, 'E', &index, 1), 512);
  uint8_t reply[512];
  EXPECT_EQ(Usb_RecvUSB(nullptr, reply, 512), 512);
  EXPECT_NE(reply[4], 0);  // memory S is empty: no entry 0, refused
  EXPECT_EQ(Usb_SendCommand(nullptr, 3, 'G', nullptr, 0), 0);
  EXPECT_EQ(Usb_SendCommand(nullptr, -3, 'G', nullptr, 0), 0);
  wire = WireLog();
  ASSERT_EQ(wire.size(), 2u);
  EXPECT_EQ(wire[0].bytes[4], 'S');
}

TEST_F(DeviceSession, CancelReachesThePlayerAndReturnsZero) {
  Attach();
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  PlayerSim_ClearLog();
  EXPECT_EQ(Usb_CancelTransfer(nullptr), 0);
  auto wire = WireLog();
  ASSERT_EQ(wire.size(), 1u);
  EXPECT_EQ(wire[0].kind, PLAYERSIM_LOG_ABORT);
  Usb_Close(0);
  EXPECT_EQ(Usb_CancelTransfer(nullptr), 0);  // no pipes: nothing written, still 0
  EXPECT_EQ(WireLog().size(), 1u);
}

TEST_F(DeviceSession, WriteDataReceivesOneChunkIntoAFile) {
  PlayerSimSettings s = Defaults();
  std::memcpy(s.deviceInfo, "0123456789ABCDEFGHIJ", 20);
  Attach(&s);
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  const std::string path = std::string(VORPEX_TEST_TMP) + "/write-data.bin";

  // The reply to the device-information command is the chunk: 512 on the wire, 25 kept.
  void* file = CreateOutput(path);
  ASSERT_EQ(Usb_SendCommand(nullptr, 2, 'Y', nullptr, 0), 512);
  EXPECT_EQ(Usb_WriteData(nullptr, file, 512, 25, 0), 0);
  EXPECT_TRUE(IsOpen(file));  // close flag 0: still the caller's
  ASSERT_EQ(Usb_SendCommand(nullptr, 2, 'Y', nullptr, 0), 512);
  EXPECT_EQ(Usb_WriteData(nullptr, file, 512, 25, 1), 0);
  EXPECT_FALSE(IsOpen(file));  // close flag 1: closed with the last chunk
  std::string one = std::string("#\0\x16:", 4) + "0123456789ABCDEFGHIJ" + ".";
  EXPECT_EQ(ReadText(path), one + one);

  // Nothing to receive: 1, and the file is closed whatever the flag says.
  file = CreateOutput(path);
  EXPECT_EQ(Usb_WriteData(nullptr, file, 512, 512, 0), 1);
  EXPECT_FALSE(IsOpen(file));
  if (IsOpen(file)) CloseOutput(file);
}

}  // namespace

TEST_F(DeviceSession, WriteDataWithNoFileReceivesAndClosesNothing) {
  Attach();
  OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  ASSERT_EQ(Usb_Checking(0), 1);
  for (intptr_t none : {intptr_t{0}, intptr_t{-1}}) {
    SCOPED_TRACE(none);
    PlayerSim_ClearLog();
    EXPECT_EQ(Usb_WriteData(nullptr, reinterpret_cast<void*>(none), 512, 512, 1), 1);
    EXPECT_TRUE(WireLog().empty());  // the pipe is not read for a file that is not there
#ifndef _WIN32
    EXPECT_NE(::fcntl(0, F_GETFD), -1);  // standard input is still open
#endif
  }
}

#ifndef _WIN32
// With standard input closed, a file the libraries open never gets descriptor 0, which
// callers take for "no file".
TEST(FileHandles, NeverZeroEvenWithStandardInputClosed) {
  const int savedInput = ::dup(0);
  ASSERT_GE(savedInput, 0);
  ::close(0);
  auto file = vorpex::platform::File::Open(std::string(VORPEX_TEST_TMP) + "/handle-zero.bin",
                                           vorpex::platform::Access::kWrite,
                                           vorpex::platform::Share::kNone,
                                           vorpex::platform::Disposition::kCreateAlways);
  const intptr_t handle = file ? file->Release() : -1;
  const bool zeroFree = ::fcntl(0, F_GETFD) == -1;
  ::dup2(savedInput, 0);
  ::close(savedInput);
  EXPECT_GT(handle, 0);
  EXPECT_TRUE(zeroFree);
  if (handle > 0) ::close(static_cast<int>(handle));
}
#endif
