// The simulated player's model, driven block by block, and its state directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "protocol/command_block.h"
#include "protocol/dir_slot.h"
#include "protocol/write_header.h"
#include "sim/player.h"
#include "sim/player_model.h"
#include "sim/state_dir.h"

namespace {

using namespace vorpex::protocol;
using vorpex::sim::AimAt;
using vorpex::sim::AimKind;
using vorpex::sim::Phase;
using vorpex::sim::PlayerData;
using vorpex::sim::PlayerModel;
using vorpex::sim::PlayerSettings;
using vorpex::sim::StoredSlot;

using Bytes = std::vector<uint8_t>;

// The host side of the exchange, building blocks as the libraries do.
struct Host {
  PlayerModel& player;

  bool Send(uint8_t letter, uint8_t code, const Bytes& payload = {}) {
    std::array<uint8_t, 512> block;
    block.fill(0xCC);  // leftovers of earlier exchanges
    BuildCommandBlock(block, letter, code, payload);
    return player.Receive(block).accepted;
  }
  bool SendData(const Bytes& data) { return player.Receive(data).accepted; }
  Bytes Read(size_t n = 512) {
    Bytes out(n);
    size_t delivered = 0;
    EXPECT_TRUE(player.Deliver(out, delivered).accepted);
    out.resize(delivered);
    return out;
  }
  bool ReadOk() { return IsReplyOk(Read()); }
  uint8_t ReadStatus() {
    const Bytes reply = Read();
    return reply.size() == 512 ? reply[4] : 0xFF;
  }
  // Copies a file to the player; the OK reply's index byte, or -1 when refused.
  int Write(uint8_t letter, const std::string& name, const Bytes& data) {
    if (!Send(letter, kCmdWriteFile,
              EncodeWriteHeader({name, 0x3267, 0x73DD, static_cast<uint32_t>(data.size())}))) {
      return -2;
    }
    const Bytes reply = Read();
    if (!IsReplyOk(reply)) return -1;
    Bytes wire = data;
    wire.resize(WireLength(data.size()), 0xEE);
    if (!wire.empty() && !SendData(wire)) return -3;
    return reply[6];
  }
  std::vector<SlotFields> Directory(uint8_t letter, DirectoryHeader* header = nullptr) {
    EXPECT_TRUE(Send(letter, kCmdReadDirectory));
    const Bytes head = Read();
    const DirectoryHeader h = DecodeDirectoryHeader(head);
    if (header != nullptr) *header = h;
    std::vector<SlotFields> files;
    if (h.entries == 0) return files;
    for (size_t b = 0; b < DirectoryBlockCount(h.slots); ++b) {
      const Bytes block = Read();
      EXPECT_EQ(block.size(), 512u);
      for (size_t i = 0; i < 16; ++i) {
        std::span<const uint8_t, 32> slot(block.data() + i * 32, 32);
        if (IsFileSlot(slot)) files.push_back(DecodeSlot(slot));
      }
    }
    EXPECT_FALSE(player.HasOutput());
    return files;
  }
  Bytes ReadFile(uint8_t letter, uint8_t index, size_t size) {
    if (!Send(letter, kCmdReadFile, {index})) return {0xBA, 0xD0};
    if (!ReadOk() || !ReadOk()) return {0xBA, 0xD1};
    Bytes data = size == 0 ? Bytes{} : Read(WireLength(size));
    data.resize(size);
    return data;
  }
};

std::string ToHex(std::span<const uint8_t> bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes data(n);
  for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(seed + i * 7);
  return data;
}

StoredSlot RawSlot(const std::string& name, uint8_t attributes, const Bytes& data = {}) {
  const auto split = SplitShortName(name);
  SlotFields fields;
  fields.name = split->name;
  fields.extension = split->extension;
  fields.attributes = attributes;
  fields.size = static_cast<uint32_t>(data.size());
  return {EncodeSlot(fields), data, {}};
}

PlayerData Fresh(uint32_t capacityM = 64) {
  PlayerSettings settings;
  settings.capacity = {capacityM, 16};
  return PlayerData::Fresh(settings);
}

TEST(SimModel, DirectoryCountsFilesAsTheLibraryReadDoes) {
  PlayerData data = Fresh();
  auto& slots = data.memories[0].slots;
  slots.push_back(RawSlot("FIRST.MP3", kAttrArchive, Pattern(100, 1)));
  StoredSlot deleted = RawSlot("GONE.MP3", kAttrArchive);
  deleted.raw[0] = kSlotDeleted;
  slots.push_back(deleted);
  slots.push_back(RawSlot("LONG.NAM", kAttrLongName));
  slots.push_back(RawSlot("VOLUME.", kAttrVolume));
  slots.push_back(RawSlot("FOLDER.", kAttrDirectory));
  for (int i = 0; i < 12; ++i) slots.push_back(RawSlot("EMPTY.", 0));
  slots.push_back(RawSlot("SECOND.WAV", kAttrArchive, Pattern(40000, 2)));  // slot 17
  PlayerModel player(std::move(data));
  Host host{player};

  DirectoryHeader header;
  const auto files = host.Directory('M', &header);
  EXPECT_EQ(header.entries, 2);
  EXPECT_EQ(header.slots, 18);  // two directory blocks
  EXPECT_EQ(header.capacity, 64);
  EXPECT_EQ(header.used, 1 + 3);  // 100 bytes take a unit, 40000 take three
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(JoinShortName(files[1]), "SECOND.WAV");

  // Entry 1 is the second file, whatever lies between.
  EXPECT_EQ(host.ReadFile('M', 1, 40000), Pattern(40000, 2));
  ASSERT_TRUE(host.Send('M', kCmdDelete, {1}));
  EXPECT_TRUE(host.ReadOk());
  EXPECT_EQ(player.data().memories[0].slots[17].raw[0], kSlotDeleted);
  EXPECT_EQ(host.Directory('M').size(), 1u);
  ASSERT_TRUE(host.Send('M', kCmdDelete, {1}));
  EXPECT_EQ(host.ReadStatus(), 1);  // no such entry any more
}

TEST(SimModel, CopyToAndFromThePlayer) {
  PlayerModel player(Fresh());
  Host host{player};
  EXPECT_EQ(host.Write('M', "A.MP3", Pattern(1000, 3)), 0);
  EXPECT_EQ(host.Write('M', "B.MP3", Pattern(16385, 4)), 1);
  EXPECT_EQ(host.Write('M', "EMPTY.", {}), 2);
  EXPECT_EQ(host.ReadFile('M', 0, 1000), Pattern(1000, 3));
  EXPECT_EQ(host.ReadFile('M', 1, 16385), Pattern(16385, 4));
  EXPECT_EQ(host.ReadFile('M', 2, 0), Bytes{});
  EXPECT_EQ(player.phase(), Phase::kCommand);

  // A second file of a name already present is a second entry of that name.
  EXPECT_EQ(host.Write('M', "A.MP3", Pattern(20, 6)), 3);
  EXPECT_EQ(host.ReadFile('M', 3, 20), Pattern(20, 6));
  ASSERT_TRUE(host.Send('M', kCmdDelete, {3}));
  ASSERT_TRUE(host.ReadOk());

  // A deleted slot is reused, and the new file takes the index of that place.
  ASSERT_TRUE(host.Send('M', kCmdDelete, {0}));
  ASSERT_TRUE(host.ReadOk());
  EXPECT_EQ(host.Write('M', "C.MP3", Pattern(10, 5)), 0);
  const auto files = host.Directory('M');
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(JoinShortName(files[0]), "C.MP3");
  EXPECT_EQ(files[0].date, 0x3267);
  EXPECT_EQ(files[0].size, 10u);
  // Memory S is a separate directory.
  EXPECT_TRUE(host.Directory('S').empty());
}

TEST(SimModel, WriteThatDoesNotFitIsRefused) {
  PlayerModel player(Fresh(2));  // 32768 bytes
  Host host{player};
  EXPECT_EQ(host.Write('M', "BIG.BIN", Pattern(32769, 0)), -1);
  EXPECT_EQ(host.Write('M', "FITS.BIN", Pattern(32768, 0)), 0);
  EXPECT_EQ(host.Write('M', "ZERO.BIN", {}), 1);  // an empty file takes no space
  EXPECT_EQ(host.Write('M', "ONE.BIN", {1}), -1);
  player.memoryFull = true;
  EXPECT_EQ(host.Write('S', "ONE.BIN", {1}), -1);
  // cppcheck-suppress [unreadVariable, redundantAssignment] ; the host reads it through `player`
  player.memoryFull = false;
  EXPECT_EQ(host.Write('S', "ONE.BIN", {1}), 0);
}

TEST(SimModel, RenameAndReplaceAreToldApartByLength) {
  PlayerModel player(Fresh());
  Host host{player};
  host.Write('S', "ONE.MP3", Pattern(5, 1));
  host.Write('S', "TWO.MP3", Pattern(6, 2));
  ASSERT_TRUE(host.Send('S', kCmdRenameOrReplace, {1, 'N', 'E', 'W', '.', 'W', 'A', 'V'}));
  EXPECT_TRUE(host.ReadOk());
  ASSERT_TRUE(host.Send('S', kCmdRenameOrReplace, {0, 1}));  // replace swaps the two
  EXPECT_TRUE(host.ReadOk());
  auto files = host.Directory('S');
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(JoinShortName(files[0]), "NEW.WAV");
  EXPECT_EQ(host.ReadFile('S', 0, 6), Pattern(6, 2));
  ASSERT_TRUE(host.Send('S', kCmdRenameOrReplace, {0, 2}));
  EXPECT_EQ(host.ReadStatus(), 1);
  ASSERT_TRUE(host.Send('S', kCmdRenameOrReplace, {0, 'N', 'O', 'D', 'O', 'T'}));
  EXPECT_EQ(host.ReadStatus(), 1);
}

TEST(SimModel, FormatsDeviceInformationAndUnreadReplies) {
  PlayerModel player(Fresh());
  Host host{player};
  host.Write('M', "ONE.MP3", Pattern(5, 1));
  for (uint8_t code : {kCmdFormat, kCmdMp3Format, kCmdVoiceFormat}) {
    ASSERT_TRUE(host.Send('M', code));
    EXPECT_TRUE(host.ReadOk());
    EXPECT_EQ(player.data().memories[0].lastFormat, code);
  }
  EXPECT_TRUE(host.Directory('M').empty());

  ASSERT_TRUE(host.Send('Y', kCmdDeviceInfo));
  const Bytes info = host.Read();
  EXPECT_EQ(
      Bytes(info.begin() + 4, info.begin() + 24),
      Bytes(player.data().settings.deviceInfo.begin(), player.data().settings.deviceInfo.end()));
  EXPECT_EQ(info[24], kBlockTerminator);

  // A reply the host never read does not answer its next command.
  ASSERT_TRUE(host.Send('M', kCmdFormat));
  ASSERT_TRUE(host.Send('M', kCmdDelete, {0}));
  EXPECT_EQ(host.ReadStatus(), 1);
  EXPECT_FALSE(player.HasOutput());
}

TEST(SimModel, UpgradeWritesTheBootArea) {
  PlayerModel player(Fresh());
  Host host{player};
  // Erase and write need upgrade mode.
  ASSERT_TRUE(host.Send('C', kCmdEraseArea, {kAreaBoot}));
  EXPECT_EQ(host.ReadStatus(), 3);
  ASSERT_TRUE(host.Send('G', kCmdUpgradeMode, {0x10, 0x00}));
  EXPECT_TRUE(host.ReadOk());
  EXPECT_TRUE(player.upgradeMode());
  ASSERT_TRUE(host.Send('C', kCmdWriteArea, {kAreaBoot, 0, 16}));
  EXPECT_EQ(host.ReadStatus(), 3);  // not erased yet
  ASSERT_TRUE(host.Send('C', kCmdEraseArea, {kAreaBoot}));
  EXPECT_TRUE(host.ReadOk());
  ASSERT_TRUE(host.Send('C', kCmdWriteArea, {kAreaBoot, 0, 17}));
  EXPECT_EQ(host.ReadStatus(), 1);  // the boot area holds 16 blocks
  ASSERT_TRUE(host.Send('C', kCmdWriteArea, {kAreaBoot, 0, 16}));
  EXPECT_TRUE(host.ReadOk());
  const Bytes image = Pattern(8192, 9);
  for (size_t i = 0; i < 16; ++i) {
    ASSERT_FALSE(player.HasOutput());  // the final reply comes after the last block
    ASSERT_TRUE(host.SendData(Bytes(image.begin() + i * 512, image.begin() + (i + 1) * 512)));
  }
  EXPECT_TRUE(host.ReadOk());
  EXPECT_EQ(player.data().bootArea, image);
  EXPECT_FALSE(player.upgradeMode());
  EXPECT_TRUE(player.data().codecArea.empty());
}

TEST(SimModel, CodecAreaTakesUpTo65535Blocks) {
  PlayerModel player(Fresh());
  Host host{player};
  host.Send('G', kCmdUpgradeMode, {0x10, 0x05});
  host.ReadOk();
  EXPECT_EQ(player.upgradeModeByte(), 0x05);
  host.Send('C', kCmdEraseArea, {kAreaCodec});
  host.ReadOk();
  ASSERT_TRUE(host.Send('C', kCmdWriteArea, {kAreaCodec, 0, 0}));
  EXPECT_EQ(host.ReadStatus(), 1);
  ASSERT_TRUE(host.Send('C', kCmdWriteArea, {kAreaCodec, 0xFF, 0xFF}));
  EXPECT_TRUE(host.ReadOk());
  EXPECT_EQ(player.phase(), Phase::kReceiveArea);
  player.Cancel();  // nothing of a half-written area is kept
  EXPECT_TRUE(player.data().codecArea.empty());
}

TEST(SimModel, StrictAboutEveryBreachOfTheProtocol) {
  PlayerModel player(Fresh());
  Host host{player};
  host.Write('M', "KEEP.MP3", Pattern(600, 1));

  std::array<uint8_t, 512> good{};
  BuildCommandBlock(good, 'M', kCmdReadDirectory, {});
  EXPECT_FALSE(player.Receive(std::span(good).first(511)).accepted);
  EXPECT_FALSE(player.Receive(Bytes(1024, 0)).accepted);
  auto bad = good;
  bad[0] = 0x24;
  EXPECT_FALSE(player.Receive(bad).accepted);
  bad = good;
  bad[6] = 0;  // terminator
  EXPECT_FALSE(player.Receive(bad).accepted);
  EXPECT_FALSE(host.Send('X', kCmdFormat));
  EXPECT_FALSE(host.Send('M', 'Z'));
  EXPECT_FALSE(host.Send('Y', kCmdFormat));
  EXPECT_FALSE(host.Send('G', kCmdFormat));
  EXPECT_FALSE(host.Send('G', kCmdUpgradeMode, {0x11, 0}));
  EXPECT_FALSE(host.Send('C', kCmdEraseArea, {'X'}));
  EXPECT_FALSE(host.Send('M', kCmdDelete, {0, 0}));
  EXPECT_FALSE(host.Send('M', kCmdReadFile, {}));
  EXPECT_FALSE(host.Send('M', kCmdFormat, {1}));
  EXPECT_FALSE(host.Send('M', kCmdRenameOrReplace, {1}));
  EXPECT_FALSE(host.Send('M', kCmdWriteFile, Bytes(8, 0)));
  EXPECT_FALSE(host.Send('C', kCmdWriteArea, {kAreaCodec, 0}));
  size_t delivered = 0;
  Bytes odd(100);
  EXPECT_FALSE(player.Deliver(odd, delivered).accepted);
  EXPECT_FALSE(player.HasOutput());           // none of these was answered
  EXPECT_EQ(host.Directory('M').size(), 1u);  // nor changed anything

  // In the middle of a file coming in: only whole units, never more than due.
  ASSERT_TRUE(host.Send('M', kCmdWriteFile, EncodeWriteHeader({"NEW.BIN", 0, 0, 1000})));
  ASSERT_TRUE(host.ReadOk());
  EXPECT_FALSE(host.SendData(Bytes(1000, 1)));
  EXPECT_FALSE(host.SendData(Bytes(1536, 1)));
  EXPECT_TRUE(host.SendData(Bytes(512, 1)));
  EXPECT_TRUE(host.SendData(Bytes(512, 2)));
  EXPECT_EQ(host.Directory('M').size(), 2u);

  // In the middle of a file going out: no commands and no data from the host.
  ASSERT_TRUE(host.Send('M', kCmdReadFile, {0}));
  ASSERT_TRUE(host.ReadOk());
  ASSERT_TRUE(host.ReadOk());
  EXPECT_FALSE(host.Send('M', kCmdReadDirectory));
  EXPECT_FALSE(host.SendData(Bytes(512, 0)));
  EXPECT_EQ(host.Read(1024).size(), 1024u);
  EXPECT_EQ(player.phase(), Phase::kCommand);
}

TEST(SimModel, InADataPhaseEveryUnitIsData) {
  // Units shaped exactly like commands of the player, as a file or an image may hold them.
  std::vector<Bytes> units;
  for (auto [letter, code] : {std::pair<uint8_t, uint8_t>{'M', kCmdReadDirectory},
                              {'S', kCmdFormat},
                              {'Y', kCmdDeviceInfo},
                              {'C', kCmdEraseArea}}) {
    Bytes unit(512, 0);
    BuildCommandBlock(std::span<uint8_t, 512>(unit.data(), 512), letter, code,
                      letter == 'C' ? Bytes{kAreaCodec} : Bytes{});
    units.push_back(unit);
  }
  Bytes image;
  for (const Bytes& unit : units) image.insert(image.end(), unit.begin(), unit.end());

  for (bool area : {false, true}) {
    SCOPED_TRACE(area ? "codec area" : "file");
    PlayerModel player(Fresh());
    Host host{player};
    if (area) {
      host.Send('G', kCmdUpgradeMode, {0x10, 0});
      host.ReadOk();
      host.Send('C', kCmdEraseArea, {kAreaCodec});
      host.ReadOk();
      ASSERT_TRUE(host.Send('C', kCmdWriteArea, {kAreaCodec, 0, 4}));
    } else {
      ASSERT_TRUE(host.Send('M', kCmdWriteFile, EncodeWriteHeader({"CMDS.BIN", 0, 0, 2048})));
    }
    ASSERT_TRUE(host.ReadOk());
    for (const Bytes& unit : units) EXPECT_TRUE(host.SendData(unit));
    EXPECT_EQ(player.phase(), Phase::kCommand);
    if (area) {
      EXPECT_TRUE(host.ReadOk());
      EXPECT_EQ(player.data().codecArea, image);
    } else {
      EXPECT_EQ(host.ReadFile('M', 0, 2048), image);
    }
  }
}

TEST(SimModel, CancelEndsEitherDataPhaseAndFaultsStopACommand) {
  PlayerModel player(Fresh());
  Host host{player};
  ASSERT_TRUE(host.Send('M', kCmdWriteFile, EncodeWriteHeader({"HALF.BIN", 0, 0, 2000})));
  ASSERT_TRUE(host.ReadOk());
  ASSERT_TRUE(host.SendData(Bytes(1024, 1)));
  player.Cancel();
  EXPECT_TRUE(host.Directory('M').empty());  // the partial file is gone

  host.Write('M', "A.BIN", Pattern(3000, 1));
  ASSERT_TRUE(host.Send('M', kCmdReadFile, {0}));
  host.Read();
  player.Cancel();
  EXPECT_FALSE(player.HasOutput());
  EXPECT_TRUE(host.Send('M', kCmdReadDirectory));

  player.replyFaults.Add({AimKind::kRefuseReply, AimAt::kReply});
  ASSERT_TRUE(host.Send('M', kCmdDelete, {0}));
  EXPECT_EQ(host.ReadStatus(), 1);
  player.replyFaults.Add({AimKind::kDropReply, AimAt::kReply});
  ASSERT_TRUE(host.Send('M', kCmdDelete, {0}));
  EXPECT_FALSE(player.HasOutput());
  EXPECT_EQ(host.Directory('M').size(), 1u);  // neither delete took effect
  player.replyFaults.Add({AimKind::kDropReply, AimAt::kReply});
  ASSERT_TRUE(host.Send('M', kCmdWriteFile, EncodeWriteHeader({"B.BIN", 0, 0, 512})));
  EXPECT_EQ(player.phase(), Phase::kCommand);  // a lost "W" expects no data
}

class StateDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::string(VORPEX_TEST_TMP) + "/sim-model-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

TEST_F(StateDirTest, FreshPlayerSavedAndReadBack) {
  std::string error;
  ASSERT_TRUE(vorpex::sim::CreateStateDir(dir_, PlayerSettings{}, error)) << error;
  auto data = vorpex::sim::LoadStateDir(dir_, error);
  ASSERT_TRUE(data) << error;
  EXPECT_EQ(data->memories[0].capacity, 2048u);
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/boot.bin"));
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/codec.bin"));

  PlayerModel player(std::move(*data));
  Host host{player};
  host.Write('S', "KEEP.MP3", Pattern(20000, 6));
  host.Write('S', "DROP.MP3", Pattern(10, 7));
  host.Send('S', kCmdDelete, {1});
  host.ReadOk();
  host.Send('G', kCmdUpgradeMode, {0x10, 0});
  host.ReadOk();
  host.Send('C', kCmdEraseArea, {kAreaCodec});
  host.ReadOk();
  host.Send('C', kCmdWriteArea, {kAreaCodec, 0, 1});
  host.ReadOk();
  host.SendData(Pattern(512, 8));
  ASSERT_TRUE(vorpex::sim::SaveStateDir(dir_, player.data(), error)) << error;

  auto again = vorpex::sim::LoadStateDir(dir_, error);
  ASSERT_TRUE(again) << error;
  PlayerModel reloaded(std::move(*again));
  Host second{reloaded};
  const auto files = second.Directory('S');
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(JoinShortName(files[0]), "KEEP.MP3");
  EXPECT_EQ(second.ReadFile('S', 0, 20000), Pattern(20000, 6));
  EXPECT_EQ(reloaded.data().codecArea, Pattern(512, 8));
  std::ifstream codec(dir_ + "/codec.bin", std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(codec), {}), Pattern(512, 8));
  // The deleted file's data is gone from the folder too.
  size_t dataFiles = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_ + "/S"))
    dataFiles += e.is_regular_file();
  EXPECT_EQ(dataFiles, 1u);
}

TEST_F(StateDirTest, BrokenPlayerIsRefusedWithTheLine) {
  std::string error;
  PlayerSettings settings;
  settings.driverVersion = 501;
  ASSERT_TRUE(vorpex::sim::CreateStateDir(dir_, settings, error)) << error;
  EXPECT_FALSE(vorpex::sim::CreateStateDir(dir_, settings, error));
  EXPECT_EQ(vorpex::sim::LoadStateDir(dir_, error)->settings.driverVersion, 501u);

  size_t lines = 0;
  {
    std::ifstream text(dir_ + "/player.txt");
    for (std::string line; std::getline(text, line);) ++lines;
  }
  std::ofstream(dir_ + "/player.txt", std::ios::app) << "memory M lots F\n";
  EXPECT_FALSE(vorpex::sim::LoadStateDir(dir_, error));
  EXPECT_NE(error.find("player.txt line " + std::to_string(lines + 1) + ":"), std::string::npos)
      << error;
  std::ofstream(dir_ + "/player.txt") << "something else\n";
  EXPECT_FALSE(vorpex::sim::LoadStateDir(dir_, error));
  EXPECT_NE(error.find("not a simulated player"), std::string::npos) << error;
}

TEST_F(StateDirTest, MalformedLinesAreRefusedWithFileAndLineNeverFollowed) {
  std::string error;
  ASSERT_TRUE(vorpex::sim::CreateStateDir(dir_, PlayerSettings{}, error)) << error;
  std::ifstream in(dir_ + "/player.txt");
  const std::string valid{std::istreambuf_iterator<char>(in), {}};
  const size_t line = static_cast<size_t>(std::count(valid.begin(), valid.end(), '\n')) + 1;
  std::filesystem::create_directories(dir_ + "/M");
  std::ofstream(dir_ + "/M/7.bin") << "seven b";  // 7 bytes, as the slot says
  // A file beside the folder, of the right size, that no slot may reach.
  const std::string outside = std::filesystem::path(dir_).filename().string() + "-outside.bin";
  std::ofstream(dir_ + "/../" + outside) << "seven b";
  const std::string file = "slot M " + ToHex(RawSlot("F.BIN", kAttrArchive, Bytes(7)).raw) + " ";
  const std::string volume = "slot M " + ToHex(RawSlot("V.", kAttrVolume).raw) + " ";
  struct Case {
    std::string lines;
    const char* refusal;  // nullptr: the player loads
    size_t at = 0;        // the refused line among those added
  } const cases[] = {
      {" \t \n", nullptr},  // blanks only: a blank line
      {file + "M/7.bin\n", nullptr},
      {file + "../" + outside + "\n", "is named M/<number>.bin"},
      {file + "M/../../" + outside + "\n", "is named M/<number>.bin"},
      {file + "/etc/passwd\n", "is named M/<number>.bin"},
      {file + "S/7.bin\n", "is named M/<number>.bin"},
      {file + "M/7.bin\n" + file + "M/7.bin\n", "M/7.bin is named by two slots", 1},
      {volume + "M/7.bin\n", "not a file names a data file"},
      {file + "M/8.bin\n", "cannot read M/8.bin"},
      {"slot M\n", "expected: slot"},
      {"driver-version\n", "expected one number"},
      {"memory X 1 F\n", "expected: memory"},
      {"frobnicate 1\n", "unknown item frobnicate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    std::ofstream(dir_ + "/player.txt", std::ios::binary) << valid << c.lines;
    const bool loaded = vorpex::sim::LoadStateDir(dir_, error).has_value();
    if (c.refusal == nullptr) {
      EXPECT_TRUE(loaded) << error;
      continue;
    }
    EXPECT_FALSE(loaded);
    EXPECT_NE(error.find("player.txt line " + std::to_string(line + c.at) + ":"), std::string::npos)
        << error;
    EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
  }
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/../" + outside));
  std::filesystem::remove(dir_ + "/../" + outside);
}

// The folder is input: what is not a regular file of its own, or holds more than the player
// can, is refused naming the file, before anything of it is read.
TEST_F(StateDirTest, FolderFaultsAreRefusedNamingTheFile) {
  namespace fs = std::filesystem;
  const std::string outside = dir_ + "-outside.bin";
  std::ofstream(outside) << "seven b";
  const std::string slot = "slot M " + ToHex(RawSlot("F.BIN", kAttrArchive, Bytes(7)).raw);
  struct Case {
    const char* what;
    const char* file;                              // what the row puts in place of this file
    std::function<void(const std::string&)> make;  // given its path
    std::string refusal;
  } const cases[] = {
#ifndef _WIN32
      {"a data file linked outside", "M/7.bin",
       [&](const std::string& path) { fs::create_symlink(outside, path); },
       "cannot read M/7.bin: not a regular file of the folder"},
      {"boot.bin linked to a device", "boot.bin",
       [](const std::string& path) { fs::create_symlink("/dev/zero", path); },
       "boot.bin: not a regular file of the folder"},
      {"a data file that is a pipe", "M/7.bin",
       [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       "cannot read M/7.bin: not a regular file of the folder"},
#endif
      {"an oversize data file", "M/7.bin",
       [](const std::string& path) { std::ofstream(path) << "eight by"; },
       "M/7.bin holds 8 bytes, the slot says 7"},
      {"an oversize player.txt", "player.txt",
       [&](const std::string& path) {
         std::ofstream(path, std::ios::binary) << "vorpex-player 1\n" << std::string(1 << 20, '#');
       },
       "player.txt holds 1048592 bytes, more than any player's description takes"},
      {"an oversize boot.bin", "boot.bin",
       [](const std::string& path) { std::ofstream(path) << std::string(8704, 'b'); },
       "boot.bin holds 8704 bytes, more than the boot area holds (8192)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_);
    std::string error;
    ASSERT_TRUE(vorpex::sim::CreateStateDir(dir_, PlayerSettings{}, error)) << error;
    std::ofstream(dir_ + "/player.txt", std::ios::app) << slot << " M/7.bin\n";
    std::ofstream(dir_ + "/M/7.bin") << "seven b";
    fs::remove(dir_ + "/" + c.file);
    c.make(dir_ + "/" + c.file);
    EXPECT_FALSE(vorpex::sim::LoadStateDir(dir_, error));
    EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
  }
  fs::remove(outside);
}

TEST_F(StateDirTest, ANextFileAlreadyInUseNeverOverwritesData) {
  std::string error;
  ASSERT_TRUE(vorpex::sim::CreateStateDir(dir_, PlayerSettings{}, error)) << error;
  auto data = vorpex::sim::LoadStateDir(dir_, error);
  ASSERT_TRUE(data) << error;
  PlayerModel player(std::move(*data));
  Host host{player};
  host.Write('M', "ONE.BIN", Pattern(100, 1));
  ASSERT_TRUE(vorpex::sim::SaveStateDir(dir_, player.data(), error)) << error;
  player.data().nextDataFile = 1;  // as a hand-edited player.txt may say
  host.Write('M', "TWO.BIN", Pattern(200, 2));
  ASSERT_TRUE(vorpex::sim::SaveStateDir(dir_, player.data(), error)) << error;

  auto again = vorpex::sim::LoadStateDir(dir_, error);
  ASSERT_TRUE(again) << error;
  PlayerModel reloaded(std::move(*again));
  Host second{reloaded};
  EXPECT_EQ(second.ReadFile('M', 0, 100), Pattern(100, 1));
  EXPECT_EQ(second.ReadFile('M', 1, 200), Pattern(200, 2));
}

TEST_F(StateDirTest, OneProgramAtATimeHoldsTheFolder) {
  std::string error;
  ASSERT_TRUE(vorpex::sim::CreateStateDir(dir_, PlayerSettings{}, error)) << error;
  auto first = vorpex::sim::Player::Load(dir_, error);
  ASSERT_TRUE(first) << error;
  EXPECT_FALSE(vorpex::sim::Player::Load(dir_, error));
  EXPECT_NE(error.find("in use by another program"), std::string::npos) << error;
  first.reset();
  EXPECT_TRUE(vorpex::sim::Player::Load(dir_, error)) << error;
}

}  // namespace
