// What tests can make the simulated player do (playersim.h): aimed faults, a directory header
// that lies, raw slots in and out. Driven over the chip library's transport, as a library would.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "playersim.h"
#include "protocol/command_block.h"
#include "protocol/dir_slot.h"
#include "protocol/write_header.h"
#include "support/sim_player.h"

namespace {

using namespace vorpex::protocol;
using Bytes = std::vector<uint8_t>;

Slot FileSlot(const std::string& name, uint32_t size, uint8_t attributes = kAttrArchive) {
  const auto split = SplitShortName(name);
  SlotFields fields;
  fields.name = split->name;
  fields.extension = split->extension;
  fields.attributes = attributes;
  fields.size = size;
  return EncodeSlot(fields);
}

bool AddFile(int32_t memory, const std::string& name, uint32_t size) {
  const Slot slot = FileSlot(name, size);
  const Bytes data(size, 0x5A);
  return PlayerSim_AddSlot(memory, slot.data(), data.data(), size) == 1;
}

size_t FilesIn(int32_t memory) {
  size_t n = 0;
  while (PlayerSim_ReadFile(memory, static_cast<uint32_t>(n), nullptr, 0) != 0xFFFFFFFF) ++n;
  return n;
}

class SimControl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vorpex::test::AttachFreshPlayer("control"));
    PlayerSim_UseVirtualTime(1);
    device_ = VORPEX_Open();
    ASSERT_NE(device_, nullptr);
  }
  void TearDown() override {
    VORPEX_Close(device_);
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }
  // A fresh player with `settings` in place of the one before, and a device record for it.
  void Restart(const std::string& tag, const PlayerSimSettings* settings = nullptr) {
    VORPEX_Close(device_);
    PlayerSim_Detach();
    ASSERT_TRUE(vorpex::test::AttachFreshPlayer(tag, settings));
    device_ = VORPEX_Open();
    ASSERT_NE(device_, nullptr);
  }

 public:
  // Each step adds what the host saw to trace: "w" a block or data sent whole ("w-" not sent),
  // "ok" an OK reply (or a directory header), "no" a refusal, "d<n>" other bytes, "-" nothing.
  SimControl& Command(uint8_t letter, uint8_t code, const Bytes& payload = {}) {
    std::array<uint8_t, 512> block{};
    BuildCommandBlock(block, letter, code, payload);
    trace += VORPEX_SendUSB(device_, block.data(), 512) == 512 ? "w " : "w- ";
    return *this;
  }
  SimControl& Data(uint32_t n) {
    Bytes data(n, 0x33);
    trace += VORPEX_SendUSB(device_, data.data(), n) == static_cast<int32_t>(n) ? "w " : "w- ";
    return *this;
  }
  SimControl& Read(uint32_t n = 512) {
    Bytes in(n, 0xEE);
    const int32_t got = VORPEX_RecvUSB(device_, in.data(), n);
    const bool reply = in[0] == 0x23 && in[1] == 0 && in[2] == 3 && in[3] == 0x3A && in[5] == 0x2E;
    if (got <= 0) {
      trace += "- ";
    } else if (got == 512 && reply) {
      trace += in[4] == 0 ? "ok " : "no ";
    } else {
      (trace += "d") += std::to_string(got) += " ";
    }
    return *this;
  }
  SimControl& Files(int32_t memory) {
    (trace += "files") += std::to_string(FilesIn(memory));
    return *this;
  }
  std::string trace;

  // The directory header's entry and slot counts, and the blocks that follow it.
  std::string Directory(int32_t memory) {
    std::array<uint8_t, 512> block{};
    BuildCommandBlock(block, memory == 0 ? 'M' : 'S', kCmdReadDirectory, {});
    if (VORPEX_SendUSB(device_, block.data(), 512) != 512) return "w-";
    if (VORPEX_RecvUSB(device_, block.data(), 512) != 512) return "-";
    const DirectoryHeader header = DecodeDirectoryHeader(block);
    std::string text = std::to_string(header.entries);
    (text += "/") += std::to_string(header.slots);
    while (VORPEX_RecvUSB(device_, block.data(), 512) == 512) {
      size_t files = 0;
      for (size_t i = 0; i < 16; ++i)
        files += IsFileSlot(std::span(block).subspan(i * 32).first<32>());
      (text += " b") += std::to_string(files);
    }
    return text;
  }

 protected:
  void* device_ = nullptr;
};

TEST_F(SimControl, AimedFaultsStrikeAtTheChosenExchange) {
  struct Case {
    const char* name;
    int32_t fault, target;
    uint32_t count;
    uint8_t letter, code;
    std::function<void(SimControl&)> script;
    std::string trace;
  };
  const Bytes w1536 = EncodeWriteHeader({"NEW.BIN", 0, 0, 1536});
  const Case cases[] = {
      {"refuse the format, not the directory read before it", PLAYERSIM_FAULT_REFUSE_NEXT_REPLY,
       PLAYERSIM_AT_COMMAND, 0, 'M', kCmdFormat,
       [](SimControl& t) {
         t.Command('M', kCmdReadDirectory).Read().Read().Command('M', kCmdFormat).Read().Files(0);
       },
       "w ok d512 w no files1"},
      {"lose the second reply of R", PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 2, 0, 0,
       [](SimControl& t) {
         t.Command('M', kCmdReadFile, {0}).Read().Read();
         t.Command('M', kCmdReadFile, {0}).Read().Read().Read();
       },
       "w ok - w ok ok d512 "},
      {"fail the third data chunk", PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_AT_TRANSFER_OUT, 4, 0,
       0,
       [&](SimControl& t) {
         t.Command('S', kCmdWriteFile, w1536).Read().Data(512).Data(512).Data(512).Files(1);
       },
       "w ok w w w- files0"},
      {"cut a directory read after its first block", PLAYERSIM_FAULT_DROP_NEXT_REPLY,
       PLAYERSIM_AT_REPLY, 3, 0, 0,
       [](SimControl& t) {
         for (char c = 'A'; c < 'A' + 16; ++c) AddFile(0, std::string(1, c) + ".MP3", 0);
         t.Command('M', kCmdReadDirectory).Read().Read().Read();
       },
       "w ok d512 - "},
      {"a short read in the middle of a file", PLAYERSIM_FAULT_SHORT_TRANSFER,
       PLAYERSIM_AT_TRANSFER_IN, 3, 0, 0,
       [](SimControl& t) {
         AddFile(0, "BIG.MP3", 2000);
         t.Command('M', kCmdReadFile, {1}).Read().Read().Read(2048).Read(2048);
       },
       "w ok ok d1024 d1024 "},
      {"unplugged as a delete is sent", PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_COMMAND, 0, 'M',
       kCmdDelete,
       [](SimControl& t) {
         t.Command('M', kCmdReadDirectory).Command('M', kCmdDelete, {0});
         t.Command('M', kCmdReadDirectory).Files(0);
       },
       "w w- w- files1"},
      {"a stalled transfer in either direction", PLAYERSIM_FAULT_STALL_TRANSFER,
       PLAYERSIM_AT_TRANSFER, 2, 0, 0,
       [](SimControl& t) { t.Command('S', kCmdReadDirectory).Read().Read(); }, "w - ok "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart("aim");
    ASSERT_TRUE(AddFile(0, "ONE.MP3", 100));
    ASSERT_EQ(PlayerSim_AimFault(c.fault, c.target, c.count, c.letter, c.code), 1);
    trace.clear();
    c.script(*this);
    EXPECT_EQ(trace, c.trace);
  }
}

TEST_F(SimControl, AimsThatCannotStrikeAreRefused) {
  struct Case {
    int32_t fault, target;
    uint32_t count;
  } const cases[] = {
      {PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, PLAYERSIM_AT_TRANSFER, 1},  // a reply fault
      {PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_AT_REPLY, 1},        // a transfer fault
      {PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_REPLY, 1},
      {PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 0},       // nothing to count
      {PLAYERSIM_FAULT_MEMORY_FULL, PLAYERSIM_AT_COMMAND, 1},         // not a one-shot fault
      {PLAYERSIM_FAULT_SHORT_TRANSFER, PLAYERSIM_AT_COMMAND + 1, 1},  // no such target
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlayerSim_AimFault(c.fault, c.target, c.count, 'M', kCmdFormat), 0)
        << c.fault << " at " << c.target;
  }
  Command('M', kCmdFormat).Read();
  EXPECT_EQ(trace, "w ok ");  // none of them was armed
  PlayerSim_Detach();
  EXPECT_EQ(PlayerSim_AimFault(PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_AT_TRANSFER, 1, 0, 0), 0);
}

TEST_F(SimControl, DirectoryHeaderCanAnnounceOtherCounts) {
  ASSERT_TRUE(AddFile(1, "A.MP3", 10));
  ASSERT_TRUE(AddFile(1, "B.MP3", 10));
  struct Case {
    int32_t entries, slots;
    std::string seen;
  } const cases[] = {
      {-1, -1, "2/2 b2"},      // as stored
      {5, -1, "5/2 b2"},       // more entries than files
      {0, -1, "0/2"},          // no entries announced: no blocks follow
      {-1, 17, "2/17 b2 b0"},  // a second block, zero-filled
      {1, 1, "1/1 b1"},        // fewer slots than stored: the blocks follow the header
      {-1, 0, "2/0"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(PlayerSim_SetDirectoryHeader(1, c.entries, c.slots), 1);
    EXPECT_EQ(Directory(1), c.seen) << c.entries << "/" << c.slots;
    EXPECT_EQ(Directory(0), "0/0");  // the other memory is as stored
  }
  PlayerSim_ClearFaults();
  EXPECT_EQ(Directory(1), "2/2 b2");
  EXPECT_EQ(PlayerSim_SetDirectoryHeader(2, 0, 0), 0);
  EXPECT_EQ(PlayerSim_SetDirectoryHeader(1, 65536, 0), 0);
  EXPECT_EQ(PlayerSim_SetDirectoryHeader(1, 0, -2), 0);
}

TEST_F(SimControl, SlotsGoInWithinTheCapacityAndComeBackRaw) {
  PlayerSimSettings settings;
  PlayerSim_DefaultSettings(&settings);
  settings.capacityS = 2;  // 32768 bytes
  Restart("slots", &settings);
  EXPECT_TRUE(AddFile(1, "FULL.BIN", 32768));
  EXPECT_FALSE(AddFile(1, "MORE.BIN", 1));  // no unit left
  EXPECT_TRUE(AddFile(1, "EMPTY.BIN", 0));  // an empty file takes no space
  Slot volume = FileSlot("LABEL.", 0, kAttrVolume);
  EXPECT_EQ(PlayerSim_AddSlot(1, volume.data(), nullptr, 0), 1);

  std::array<uint8_t, 32> raw{};
  ASSERT_EQ(PlayerSim_ReadSlot(1, 2, raw.data()), 1);
  EXPECT_EQ(raw, volume);
  ASSERT_EQ(PlayerSim_ReadSlot(1, 0, raw.data()), 1);
  EXPECT_EQ(raw, FileSlot("FULL.BIN", 32768));
  EXPECT_EQ(PlayerSim_ReadSlot(1, 3, raw.data()), 0);
  EXPECT_EQ(PlayerSim_ReadSlot(2, 0, raw.data()), 0);
  EXPECT_EQ(PlayerSim_ReadSlot(0, 0, raw.data()), 0);  // M is empty
}

}  // namespace
