// The simulated player as the Vizu10 driver, through the table the chip library exports for
// the device library (playersim_vizu10.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "playersim.h"
#include "playersim_vizu10.h"
#include "protocol/command_block.h"
#include "protocol/write_header.h"
#include "support/sim_player.h"
#include "vorpex_shared.h"

namespace {

using namespace vorpex::protocol;
using vorpex::test::AttachFreshPlayer;
using vorpex::test::FreshStateDir;
using vorpex::test::WireEntry;
using vorpex::test::WireLog;

using Bytes = std::vector<uint8_t>;

constexpr const char* kClass = "{A5B039C4-D5F2-11D6-99E0-52544C996075}";
constexpr const char* kFirstPath =
    "\\\\?\\usb#vid_04e8&pid_1003#sim0#{a5b039c4-d5f2-11d6-99e0-52544c996075}";
constexpr intptr_t kInvalid = -1;

PlayerSimSettings Settings() {
  PlayerSimSettings settings;
  PlayerSim_DefaultSettings(&settings);
  return settings;
}

const VorpexVizu10Ops& Ops() {
  const VorpexVizu10Ops* ops = VorpexShared_Vizu10();
  if (ops == nullptr) {
    ADD_FAILURE() << "no Vizu10 face";
    static const VorpexVizu10Ops none{};
    return none;
  }
  return *ops;
}

std::vector<std::string> Paths(const char* guid = kClass) {
  std::vector<char> slots(4 * PLAYERSIM_VIZU10_PATH_SLOT, 'x');
  const uint32_t count = Ops().interfacePaths(guid, slots.data(), 4);
  std::vector<std::string> paths;
  for (uint32_t i = 0; i < count && i < 4; ++i) {
    paths.emplace_back(slots.data() + i * PLAYERSIM_VIZU10_PATH_SLOT);
  }
  return paths;
}

// The answer to the configuration request, as the device library judges it: the total length,
// and the endpoint count of the first interface.
struct Configuration {
  bool answered = false;
  std::array<uint8_t, PLAYERSIM_VIZU10_CONFIGURATION_SIZE> bytes{};
  uint32_t TotalLength() const { return bytes[2] | bytes[3] << 8; }
  uint32_t Endpoints() const { return bytes[bytes[0] + 4]; }
};

Configuration Configure(intptr_t device) {
  Configuration c;
  c.bytes.fill(0xAA);
  c.answered = Ops().configuration(device, c.bytes.data()) == 1;
  return c;
}

// One session as the device library opens it, on either route.
struct Session {
  intptr_t device = kInvalid;
  std::array<intptr_t, 3> pipes{kInvalid, kInvalid, kInvalid};

  static Session Open(const std::string& base) {
    Session s;
    s.device = Ops().open(base.c_str());
    for (size_t i = 0; i < 3; ++i) {
      s.pipes[i] = Ops().open((base + "\\PIPE0" + std::to_string(i)).c_str());
    }
    return s;
  }
  bool Complete() const {
    return device != kInvalid && pipes[0] != kInvalid && pipes[1] != kInvalid &&
           pipes[2] != kInvalid;
  }
  void Close() {
    Ops().close(device);
    for (intptr_t pipe : pipes) Ops().close(pipe);
  }
  bool Write(size_t pipe, const Bytes& data, uint32_t* written = nullptr) {
    uint32_t n = 0xDEAD;
    const bool ok = Ops().write(pipes[pipe], data.data(), static_cast<uint32_t>(data.size()), &n);
    if (written != nullptr) *written = n;
    return ok;
  }
  bool Command(size_t pipe, uint8_t letter, uint8_t code, const Bytes& payload = {}) {
    Bytes block(kBlockSize, 0xCC);
    return BuildCommandBlock(std::span<uint8_t, kBlockSize>(block.data(), kBlockSize), letter, code,
                             payload) &&
           Write(pipe, block);
  }
  Bytes Read(uint32_t count = kBlockSize) {
    Bytes buffer(count, 0);
    uint32_t got = 0xDEAD;
    if (Ops().read(pipes[2], buffer.data(), count, &got) != 1) return {};
    buffer.resize(got);
    return buffer;
  }
};

Bytes AbortMessage() {
  return {1, 0, 0, 0, 0, 0, 0, 0};
}

size_t Count(const std::vector<WireEntry>& log, int32_t kind, bool ok) {
  size_t n = 0;
  for (const auto& entry : log) n += entry.kind == kind && entry.ok == ok ? 1 : 0;
  return n;
}

class Vizu10Face : public ::testing::Test {
 protected:
  void TearDown() override {
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }
  // Attaches a player with `settings` and checks that the test released every handle.
  void Attach(const PlayerSimSettings& settings) {
    ASSERT_TRUE(AttachFreshPlayer("vizu10", &settings));
  }
  static void ExpectReleased() { EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u); }
};

TEST_F(Vizu10Face, OnlyWhileASimulatedPlayerIsAttached) {
  PlayerSim_Detach();
  EXPECT_EQ(Ops().interfacePaths(kClass, nullptr, 0), 0u);  // the system's driver, no player
  ASSERT_TRUE(AttachFreshPlayer("vizu10"));
  const VorpexVizu10Ops* ops = VorpexShared_Vizu10();
  ASSERT_NE(ops, nullptr);
  EXPECT_EQ(ops->size, sizeof(VorpexVizu10Ops));
  PlayerSim_Detach();
  EXPECT_EQ(Ops().interfacePaths(kClass, nullptr, 0), 0u);  // the system's driver, no player
  // A table kept from before fails quietly.
  EXPECT_EQ(ops->open(kFirstPath), kInvalid);
  EXPECT_EQ(ops->interfacePaths(kClass, nullptr, 0), 0u);
}

TEST_F(Vizu10Face, DefaultLayoutAnswersThirtyNineBytesAndTakesCommandsOnPipe01) {
  Attach(Settings());
  EXPECT_EQ(Paths(), std::vector<std::string>{kFirstPath});
  EXPECT_EQ(Paths("{a5b039c4-d5f2-11d6-99e0-52544c996075}").size(), 1u);
  EXPECT_TRUE(Paths("{A5B039C4-D5F2-11D6-99E0-52544C996076}").empty());

  Session s = Session::Open(kFirstPath);
  ASSERT_TRUE(s.Complete());
  EXPECT_EQ(PlayerSim_Vizu10Handles(), 4u);
  const Configuration c = Configure(s.device);
  ASSERT_TRUE(c.answered);
  EXPECT_EQ(c.TotalLength(), 39u);
  EXPECT_EQ(c.Endpoints(), 3u);
  const Bytes expected = {9, 2, 39, 0, 1, 1, 0, 0x80, 50, 9,  4, 0, 0, 3, 0xFF, 0, 0,  0, 7, 5,
                          1, 2, 64, 0, 0, 7, 5, 2,    2,  64, 0, 0, 7, 5, 0x83, 2, 64, 0, 0};
  EXPECT_EQ(Bytes(c.bytes.begin(), c.bytes.begin() + 39), expected);
  EXPECT_EQ(c.bytes[39], 0xAA);  // the rest of the buffer is left alone
  // The configuration request goes to the device file only.
  EXPECT_FALSE(Configure(s.pipes[1]).answered);

  // A command on PIPE00 is refused: the player takes them on PIPE01 in this layout.
  PlayerSim_ClearLog();
  EXPECT_FALSE(s.Command(0, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_EQ(PlayerSim_Violations(), 2u);  // with the configuration request on a pipe
  EXPECT_TRUE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_EQ(s.Read().size(), kBlockSize);
  // Reads only from PIPE02, writes never to it.
  EXPECT_FALSE(s.Write(2, Bytes(kBlockSize, 0)));
  Bytes buffer(kBlockSize);
  uint32_t got = 7;
  EXPECT_EQ(Ops().read(s.pipes[1], buffer.data(), kBlockSize, &got), 0);
  EXPECT_EQ(got, 0u);
  s.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, TotalLengthFortyMakesPipe00TheWritePipe) {
  PlayerSimSettings settings = Settings();
  settings.configurationLength = 40;
  Attach(settings);
  Session s = Session::Open(kFirstPath);
  ASSERT_TRUE(s.Complete());
  const Configuration c = Configure(s.device);
  EXPECT_EQ(c.TotalLength(), 40u);
  EXPECT_EQ(c.Endpoints(), 3u);
  EXPECT_FALSE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_TRUE(s.Command(0, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_EQ(s.Read().size(), kBlockSize);
  // PIPE00 still knows the abort message apart from a block.
  uint32_t written = 0;
  EXPECT_TRUE(s.Write(0, AbortMessage(), &written));
  EXPECT_EQ(written, 8u);
  const auto log = WireLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().kind, PLAYERSIM_LOG_ABORT);
  EXPECT_EQ(log.back().pipe, 0x01u);
  EXPECT_EQ(log.back().bytes, AbortMessage());
  s.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, FixedNamesChooseByEndpointCount) {
  for (uint32_t endpoints : {17u, 18u}) {
    SCOPED_TRACE(endpoints);
    PlayerSimSettings settings = Settings();
    settings.endpointCount = endpoints;
    Attach(settings);
    Session s = Session::Open("\\\\.\\Vizu10-0");
    ASSERT_TRUE(s.Complete());
    const Configuration c = Configure(s.device);
    EXPECT_EQ(c.Endpoints(), endpoints);
    EXPECT_EQ(c.TotalLength(), 18 + 7 * endpoints);
    // Every endpoint address appears once, 0x01, 0x02, 0x83 first.
    std::vector<uint8_t> addresses;
    for (uint32_t i = 0; i < endpoints; ++i) addresses.push_back(c.bytes[18 + 7 * i + 2]);
    EXPECT_EQ(Bytes(addresses.begin(), addresses.begin() + 3), (Bytes{0x01, 0x02, 0x83}));
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(std::adjacent_find(addresses.begin(), addresses.end()), addresses.end());

    const size_t writePipe = endpoints < 18 ? 1 : 0;
    EXPECT_FALSE(s.Command(1 - writePipe, kLetterDeviceInfo, kCmdDeviceInfo));
    EXPECT_TRUE(s.Command(writePipe, kLetterDeviceInfo, kCmdDeviceInfo));
    EXPECT_EQ(s.Read().size(), kBlockSize);
    s.Close();
    ExpectReleased();
  }
}

TEST_F(Vizu10Face, SecondInterfaceServesWhenTheFirstRefuses) {
  PlayerSimSettings settings = Settings();
  settings.interfaceCount = 2;
  settings.refuseOpenMask = 1;
  Attach(settings);
  const auto paths = Paths();
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], kFirstPath);
  EXPECT_NE(paths[1].find("#sim1#"), std::string::npos);
  // Only as many slots as asked for are filled; the count is the full one.
  std::vector<char> one(PLAYERSIM_VIZU10_PATH_SLOT + 1, 'z');
  EXPECT_EQ(Ops().interfacePaths(kClass, one.data(), 1), 2u);
  EXPECT_EQ(one[PLAYERSIM_VIZU10_PATH_SLOT], 'z');

  PlayerSim_ClearLog();
  EXPECT_EQ(Ops().open(paths[0].c_str()), kInvalid);
  EXPECT_EQ(Ops().open((paths[0] + "\\PIPE02").c_str()), kInvalid);
  const auto refused = WireLog();
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0].kind, PLAYERSIM_LOG_OPEN);
  EXPECT_FALSE(refused[0].ok);
  EXPECT_EQ(refused[0].pipe, 0xFFu);
  EXPECT_EQ(std::string(refused[0].bytes.begin(), refused[0].bytes.end()), paths[0]);
  EXPECT_EQ(refused[1].pipe, 2u);
  EXPECT_EQ(PlayerSim_Vizu10Handles(), 0u);

  Session s = Session::Open(paths[1]);
  ASSERT_TRUE(s.Complete());
  EXPECT_TRUE(Configure(s.device).answered);
  EXPECT_TRUE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_EQ(s.Read().size(), kBlockSize);
  s.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, NamesThatAreNotTheDriversDoNotOpen) {
  PlayerSimSettings settings = Settings();
  settings.interfaceCount = 1;
  Attach(settings);
  const std::string upper =
      "\\\\?\\USB#VID_04E8&PID_1003#SIM0#{A5B039C4-D5F2-11D6-99E0-52544C996075}\\pipe01";
  const intptr_t pipe = Ops().open(upper.c_str());
  EXPECT_NE(pipe, kInvalid);  // names compare without regard to case
  Ops().close(pipe);
  for (const std::string& bad :
       {std::string(kFirstPath) + "\\PIPE03", std::string(kFirstPath) + "\\PIPE1",
        std::string(kFirstPath) + "\\PIPE01x", std::string(kFirstPath) + "x",
        std::string("\\\\?\\usb#vid_04e8&pid_1003#sim1#{a5b039c4-d5f2-11d6-99e0-52544c996075}"),
        std::string("\\\\.\\Vizu10-1"), std::string("")}) {
    EXPECT_EQ(Ops().open(bad.c_str()), kInvalid) << bad;
  }
  EXPECT_EQ(Ops().open(nullptr), kInvalid);
  ExpectReleased();
}

TEST_F(Vizu10Face, DeviceInformationThroughThePipes) {
  PlayerSimSettings settings = Settings();
  for (size_t i = 0; i < 20; ++i) settings.deviceInfo[i] = static_cast<uint8_t>(0x40 + i);
  Attach(settings);
  Session s = Session::Open(kFirstPath);
  ASSERT_TRUE(s.Complete());
  PlayerSim_ClearLog();
  uint32_t written = 0;
  Bytes block(kBlockSize, 0);
  ASSERT_TRUE(BuildCommandBlock(std::span<uint8_t, kBlockSize>(block.data(), kBlockSize),
                                kLetterDeviceInfo, kCmdDeviceInfo, {}));
  ASSERT_TRUE(s.Write(1, block, &written));
  EXPECT_EQ(written, kBlockSize);
  const Bytes reply = s.Read();
  ASSERT_EQ(reply.size(), kBlockSize);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4), (Bytes{0x23, 0x00, 0x16, 0x3A}));
  EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 24),
            Bytes(settings.deviceInfo, settings.deviceInfo + 20));
  EXPECT_EQ(reply[24], 0x2E);

  const auto log = WireLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].kind, PLAYERSIM_LOG_OUT);
  EXPECT_EQ(log[0].pipe, 0x02u);
  EXPECT_EQ(log[0].bytes, block);
  EXPECT_EQ(log[1].kind, PLAYERSIM_LOG_IN);
  EXPECT_EQ(log[1].pipe, 0x83u);
  EXPECT_EQ(log[1].bytes, reply);
  s.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, AbortMessageEndsTheDataPhaseOfACopy) {
  Attach(Settings());
  Session s = Session::Open(kFirstPath);
  ASSERT_TRUE(s.Complete());
  ASSERT_TRUE(s.Command(1, kLetterMemoryM, kCmdWriteFile,
                        EncodeWriteHeader({"SONG.MP3", 0x3267, 0x73DD, 2048})));
  ASSERT_TRUE(IsReplyOk(s.Read()));
  ASSERT_TRUE(s.Write(1, Bytes(kBlockSize, 0x11)));
  // Mid-copy, a unit shaped like a command is data like any other...
  EXPECT_TRUE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  // ...an 8-byte message on PIPE00 that is not the abort changes nothing...
  EXPECT_FALSE(s.Write(0, {2, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(s.Write(0, Bytes(kBlockSize, 0x11)));
  const uint32_t violations = PlayerSim_Violations();
  EXPECT_EQ(violations, 2u);
  // ...and the abort message ends the copy: the next command is taken, nothing was stored.
  EXPECT_TRUE(s.Write(0, AbortMessage()));
  EXPECT_TRUE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_EQ(s.Read().size(), kBlockSize);
  EXPECT_EQ(PlayerSim_Violations(), violations);
  EXPECT_EQ(PlayerSim_ReadFile(0, 0, nullptr, 0), 0xFFFFFFFFu);
  s.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, UnplugFailsEverythingAndOldHandlesStayDead) {
  Attach(Settings());
  Session s = Session::Open(kFirstPath);
  ASSERT_TRUE(s.Complete());
  ASSERT_EQ(PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 1), 1);
  PlayerSim_ClearLog();
  EXPECT_TRUE(Paths().empty());
  EXPECT_EQ(Ops().open(kFirstPath), kInvalid);
  EXPECT_EQ(Ops().open("\\\\.\\Vizu10-0\\PIPE02"), kInvalid);
  EXPECT_FALSE(Configure(s.device).answered);
  EXPECT_FALSE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_TRUE(s.Read().empty());
  EXPECT_FALSE(s.Write(0, AbortMessage()));
  const auto log = WireLog();
  EXPECT_EQ(Count(log, PLAYERSIM_LOG_OPEN, false), 2u);
  EXPECT_EQ(Count(log, PLAYERSIM_LOG_CONFIGURATION, false), 1u);
  EXPECT_EQ(Count(log, PLAYERSIM_LOG_OUT, false) + Count(log, PLAYERSIM_LOG_IN, false) +
                Count(log, PLAYERSIM_LOG_ABORT, false),
            3u);
  for (const auto& entry : log) EXPECT_FALSE(entry.ok);
  EXPECT_EQ(PlayerSim_Violations(), 0u);
  EXPECT_EQ(PlayerSim_Vizu10Handles(), 4u);  // nothing opened while unplugged

  // Plugged back in: the session of before is gone, a new one works.
  ASSERT_EQ(PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0), 1);
  EXPECT_FALSE(Configure(s.device).answered);
  EXPECT_FALSE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  Session again = Session::Open(kFirstPath);
  ASSERT_TRUE(again.Complete());
  EXPECT_TRUE(Configure(again.device).answered);
  EXPECT_TRUE(again.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  EXPECT_EQ(again.Read().size(), kBlockSize);
  s.Close();
  again.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, ReadWithNothingToDeliverFailsAfterThreeSeconds) {
  Attach(Settings());
  PlayerSim_UseVirtualTime(1);
  Session s = Session::Open(kFirstPath);
  ASSERT_TRUE(s.Complete());
  const uint64_t before = PlayerSim_ElapsedMs();
  EXPECT_TRUE(s.Read().empty());
  EXPECT_EQ(PlayerSim_ElapsedMs() - before, 3000u);
  // A reply waiting is delivered at once.
  ASSERT_TRUE(s.Command(1, kLetterDeviceInfo, kCmdDeviceInfo));
  const uint64_t asked = PlayerSim_ElapsedMs();
  EXPECT_EQ(s.Read().size(), kBlockSize);
  EXPECT_EQ(PlayerSim_ElapsedMs(), asked);
  s.Close();
  ExpectReleased();
}

TEST_F(Vizu10Face, SettingsKeptInTheStateDirectory) {
  PlayerSimSettings settings = Settings();
  settings.interfaceCount = 3;
  settings.refuseOpenMask = 5;
  settings.configurationLength = 40;
  settings.endpointCount = 4;
  const uint8_t addresses[4] = {0x81, 0x06, 0x87, 0x09};
  std::copy(std::begin(addresses), std::end(addresses), settings.endpointAddresses);
  const std::string dir = FreshStateDir("vizu10");
  ASSERT_EQ(PlayerSim_CreateStateDir(dir.c_str(), &settings), 1);
  ASSERT_EQ(PlayerSim_Attach(dir.c_str()), 1);
  const auto paths = Paths();
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(Ops().open(paths[0].c_str()), kInvalid);
  EXPECT_EQ(Ops().open(paths[2].c_str()), kInvalid);
  const intptr_t device = Ops().open(paths[1].c_str());
  ASSERT_NE(device, kInvalid);
  const Configuration c = Configure(device);
  Ops().close(device);
  EXPECT_EQ(c.TotalLength(), 40u);
  EXPECT_EQ(c.Endpoints(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(c.bytes[18 + 7 * i + 2], addresses[i]);
  ExpectReleased();

  // A player.txt from before these settings existed gets the defaults.
  PlayerSim_Detach();
  const std::string old = FreshStateDir("vizu10-old");
  std::filesystem::create_directories(old);
  std::ofstream(old + "/player.txt") << "vorpex-player 1\nmemory M 2048 -\nmemory S 1024 -\n";
  std::ofstream(old + "/boot.bin");   // NOLINT(bugprone-unused-raii): creates the empty file
  std::ofstream(old + "/codec.bin");  // NOLINT(bugprone-unused-raii): creates the empty file
  ASSERT_EQ(PlayerSim_Attach(old.c_str()), 1);
  EXPECT_EQ(Paths(), std::vector<std::string>{kFirstPath});
  const intptr_t first = Ops().open(kFirstPath);
  EXPECT_EQ(Configure(first).TotalLength(), 39u);
  Ops().close(first);
  ExpectReleased();
}

TEST_F(Vizu10Face, UnusableLayoutsAreRefusedWithAReason) {
  char message[200];
  auto refused = [&](const PlayerSimSettings& settings, const char* tag) {
    const std::string dir = FreshStateDir(tag);
    const bool failed = PlayerSim_CreateStateDir(dir.c_str(), &settings) == 0;
    PlayerSim_GetMessage(message, sizeof message);
    return failed && !std::filesystem::exists(dir + "/player.txt");
  };
  PlayerSimSettings settings = Settings();
  settings.endpointCount = 31;
  EXPECT_TRUE(refused(settings, "ep31")) << message;
  EXPECT_NE(std::string(message).find("30 endpoints"), std::string::npos) << message;
  settings = Settings();
  settings.endpointAddresses[2] = 0x02;
  EXPECT_TRUE(refused(settings, "twice")) << message;
  settings = Settings();
  settings.endpointAddresses[1] = 0x10;
  EXPECT_TRUE(refused(settings, "bad-address")) << message;
  settings = Settings();
  settings.interfaceCount = 33;
  EXPECT_TRUE(refused(settings, "if33")) << message;
  settings = Settings();
  settings.configurationLength = 0x10000;
  EXPECT_TRUE(refused(settings, "length")) << message;

  // A hand-edited player.txt whose addresses disagree with its endpoint count.
  const std::string dir = FreshStateDir("mismatch");
  const PlayerSimSettings defaults = Settings();
  ASSERT_EQ(PlayerSim_CreateStateDir(dir.c_str(), &defaults), 1);
  std::ofstream(dir + "/player.txt", std::ios::app) << "endpoint-addresses 01 02\n";
  EXPECT_EQ(PlayerSim_Attach(dir.c_str()), 0);
  PlayerSim_GetMessage(message, sizeof message);
  EXPECT_NE(std::string(message).find("endpoint-addresses"), std::string::npos) << message;
  // A player asked for and not usable is no driver at all, never the system's.
  ASSERT_NE(VorpexShared_Vizu10(), nullptr);
  EXPECT_TRUE(Paths().empty());
  EXPECT_EQ(Ops().open(kFirstPath), kInvalid);
  EXPECT_EQ(Ops().open("\\\\.\\Vizu10-0"), kInvalid);
  PlayerSim_Detach();
  EXPECT_EQ(Ops().interfacePaths(kClass, nullptr, 0), 0u);  // the system's driver, no player

  // Settings from a caller built before the Vizu10 fields: the defaults serve.
  PlayerSimSettings older = Settings();
  older.size = offsetof(PlayerSimSettings, interfaceCount);
  older.interfaceCount = 9;  // beyond its size: not read
  ASSERT_TRUE(AttachFreshPlayer("older", &older));
  EXPECT_EQ(Paths().size(), 1u);
}

}  // namespace
