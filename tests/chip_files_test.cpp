// The chip library's storage operations and file copies against the simulated player, on
// virtual time, checked on the wire and in the PC's files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "VORPEXUSB.h"
#include "playersim.h"
#include "protocol/dir_slot.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"
#include "support/upgrade_wire.h"

namespace {

using namespace vorpex::test;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const Bytes kCancelSetup = {0x40, 0x01, 0, 0, 0, 0, 0, 0};

Bytes Slot(const char* name8, const char* ext3, uint8_t attributes, uint32_t size) {
  vorpex::protocol::SlotFields f;
  std::copy_n(name8, 8, f.name.begin());
  std::copy_n(ext3, 3, f.extension.begin());
  f.attributes = attributes;
  f.size = size;
  f.time = 0x73DD;
  f.date = 0x3267;
  const auto s = vorpex::protocol::EncodeSlot(f);
  return Bytes(s.begin(), s.end());
}

void AddFile(int32_t memory, const char* name8, const Bytes& data) {
  const Bytes slot = Slot(name8, "MP3", 0x20, static_cast<uint32_t>(data.size()));
  ASSERT_EQ(PlayerSim_AddSlot(memory, slot.data(), data.data(), static_cast<uint32_t>(data.size())),
            1);
}

std::string FileName(int i) {
  std::string digits = std::to_string(i);
  return "FILE" + std::string(4 - digits.size(), '0') + digits;
}

Bytes ReadPc(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WritePc(const std::string& path, const Bytes& data) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Bytes of the OUT transfers after the command block that starts with `code`.
std::vector<size_t> OutLengthsAfter(uint8_t code) {
  std::vector<size_t> lengths;
  bool after = false;
  for (const WireEntry& e : Exchange()) {
    if (e.kind != PLAYERSIM_LOG_OUT) continue;
    if (after) lengths.push_back(e.bytes.size());
    after = after || (e.bytes.size() == 512 && e.bytes[0] == 0x23 && e.bytes[5] == code);
  }
  return lengths;
}

bool CancelRequestSent() {
  for (const WireEntry& e : WireLog()) {
    if (e.kind == PLAYERSIM_LOG_CONTROL && e.bytes == kCancelSetup) return true;
  }
  return false;
}

class ChipFiles : public ::testing::Test {
 protected:
  void SetUp() override { Attach(nullptr); }
  void Attach(const PlayerSimSettings* settings) {
    if (device_ != nullptr) TearDown();
    ASSERT_TRUE(AttachFreshPlayer("chip-files", settings));
    PlayerSim_UseVirtualTime(1);
    device_ = VORPEX_Open();
    ASSERT_NE(device_, nullptr);
    folder_ = FreshStateDir("pc");
    fs::create_directories(folder_);
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
  }
  void TearDown() override {
    VORPEX_Close(device_);
    device_ = nullptr;
    PlayerSim_ClearFaults();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }
  std::string Pc(const std::string& name) const { return folder_ + "/" + name; }
  uint32_t Files(int32_t memory = 0) {
    uint32_t count = 0;
    EXPECT_EQ(VORPEX_Refresh(device_, memory, nullptr, nullptr, &count), 1);
    return count;
  }
  size_t PcFolderEntries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }

  void* device_ = nullptr;
  std::string folder_;
};

TEST_F(ChipFiles, RefreshWritesUpToTheCapacityCountsEveryFileAndReadsWholeBlocks) {
  struct Case {
    int fileSlots;
    bool oddSlots;  // a deleted, a long-name, a volume and a folder slot among the files
    uint32_t capacity;
    uint32_t expectWritten;
    size_t expectBlocks;
  };
  const std::vector<Case> cases = {
      {5, false, 2, 2, 1}, {16, false, 100, 16, 1}, {17, false, 100, 17, 2}, {3, true, 10, 3, 1}};
  for (const Case& c : cases) {
    Attach(nullptr);
    int slots = 0;
    for (int i = 0; i < c.fileSlots; ++i) {
      if (c.oddSlots && i == 1) {
        for (uint8_t attr : {uint8_t{0x0F}, uint8_t{0x08}, uint8_t{0x10}}) {
          const Bytes s = Slot("ODD     ", "   ", attr, 0);
          ASSERT_EQ(PlayerSim_AddSlot(0, s.data(), nullptr, 0), 1);
          ++slots;
        }
        Bytes deleted = Slot("XDELETED", "MP3", 0x20, 0);
        deleted[0] = 0xE5;
        ASSERT_EQ(PlayerSim_AddSlot(0, deleted.data(), nullptr, 0), 1);
        ++slots;
      }
      AddFile(0, FileName(i).c_str(), Bytes(static_cast<size_t>(i + 1), 0x11));
      ++slots;
    }
    PlayerSim_ClearLog();
    std::vector<DirEntry> entries(c.capacity + 1);
    std::memset(entries.data(), 0xAA, entries.size() * sizeof(DirEntry));
    uint32_t count = c.capacity;
    MemoryInfo info{};
    ASSERT_EQ(VORPEX_Refresh(device_, 0, &info, entries.data(), &count), 1);
    EXPECT_EQ(count, static_cast<uint32_t>(c.fileSlots)) << c.fileSlots;
    EXPECT_EQ(info.entries, static_cast<uint32_t>(c.fileSlots));
    EXPECT_EQ(info.capacity, 2048u);
    EXPECT_EQ(info.zero1 + info.zero4, 0u);
    for (uint32_t i = 0; i < c.expectWritten; ++i) {
      EXPECT_EQ(std::string(entries[i].name, 8), FileName(static_cast<int>(i)));
      EXPECT_EQ(entries[i].size, i + 1);
      EXPECT_EQ(entries[i].date, 0x3267u);
      EXPECT_EQ(entries[i].attributes, 0x20u);
    }
    EXPECT_EQ(entries[c.expectWritten].size, 0xAAAAAAAAu);  // nothing beyond the capacity
    const auto wire = Exchange();
    ASSERT_EQ(wire.size(), 2 + c.expectBlocks) << c.fileSlots;  // "G", header, the blocks
    EXPECT_EQ(Head(wire[0], 7), (Bytes{0x23, 0, 4, 0x3A, 'M', 'G', 0x2E}));
  }
  // A null array with a count: the files are counted, nothing is written anywhere.
  uint32_t count = 5;
  EXPECT_EQ(VORPEX_Refresh(device_, 0, nullptr, nullptr, &count), 1);
  EXPECT_EQ(count, 3u);

  // A directory block that does not come: 0, and neither figures nor count written.
  ASSERT_EQ(PlayerSim_AimFault(PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 2, 0, 0), 1);
  MemoryInfo info{};
  count = 5;
  EXPECT_EQ(VORPEX_Refresh(device_, 0, &info, nullptr, &count), 0);
  EXPECT_EQ(info.capacity + count, 5u);

  // A header that announces no entries reads no blocks, whatever its slot number says.
  ASSERT_EQ(PlayerSim_SetDirectoryHeader(0, 0, 17), 1);
  PlayerSim_ClearLog();
  count = 5;
  EXPECT_EQ(VORPEX_Refresh(device_, 0, &info, nullptr, &count), 1);
  EXPECT_EQ(info.entries + count, 0u);
  EXPECT_EQ(Exchange().size(), 2u);
}

TEST_F(ChipFiles, StorageCommandsOnTheWireAndTheirCodes) {
  RecordingUi ui;
  AddFile(0, "SONG    ", Bytes(10, 1));
  AddFile(0, "OTHER   ", Bytes(20, 2));
  WritePc(VORPEX_TEST_TMP "/chip-files-one.bin", {1});
  struct Case {
    const char* what;
    int fault;
    std::function<int32_t(void*)> call;
    int32_t result;
    int32_t error;
    Bytes head;  // the command block's head; empty: nothing goes out
  };
  const std::vector<Case> cases = {
      {"format",
       0,
       [](void* d) { return VORPEX_Format(nullptr, d, 1); },
       1,
       0,
       {0x23, 0, 4, 0x3A, 'S', 'F', 0x2E}},
      {"format refused",
       PLAYERSIM_FAULT_REFUSE_NEXT_REPLY,
       [](void* d) { return VORPEX_Format(nullptr, d, 1); },
       0,
       10,
       {0x23, 0, 4, 0x3A, 'S', 'F'}},
      {"format unanswered",
       PLAYERSIM_FAULT_DROP_NEXT_REPLY,
       [](void* d) { return VORPEX_Format(nullptr, d, 1); },
       0,
       4,
       {0x23, 0, 4, 0x3A, 'S', 'F'}},
      {"rename",
       0,
       [](void* d) { return VORPEX_Rename(d, 0, 1, "C:\\x\\ab.cd.Long.mpeg"); },
       1,
       0,
       {0x23, 0,   17,  0x3A, 'M', 'P', 1,   'a', 'b', '.',
        'c',  'd', '.', 'L',  'o', '.', 'm', 'p', 'e', 0x2E}},
      {"rename refused",
       PLAYERSIM_FAULT_REFUSE_NEXT_REPLY,
       [](void* d) { return VORPEX_Rename(d, 0, 1, "x.mp3"); },
       0,
       5,
       {0x23, 0, 10, 0x3A, 'M', 'P'}},
      {"rename without a short name",
       0,
       [](void* d) { return VORPEX_Rename(d, 0, 1, ".mp3"); },
       0,
       13,
       {}},
      {"replace",
       0,
       [](void* d) { return VORPEX_Replace(d, 0, 0, 0x101); },
       1,
       0,
       {0x23, 0, 6, 0x3A, 'M', 'P', 0, 1, 0x2E}},
      {"replace unanswered",
       PLAYERSIM_FAULT_DROP_NEXT_REPLY,
       [](void* d) { return VORPEX_Replace(d, 0, 0, 1); },
       0,
       4,
       {0x23, 0, 6, 0x3A, 'M', 'P', 0, 1}},
      {"delete",
       0,
       [](void* d) { return VORPEX_Delete(nullptr, d, 0, 1, "other.mp3"); },
       1,
       0,
       {0x23, 0, 5, 0x3A, 'M', 'E', 1, 0x2E}},
      {"delete refused",
       PLAYERSIM_FAULT_REFUSE_NEXT_REPLY,
       [](void* d) { return VORPEX_Delete(nullptr, d, 0, 0, "x"); },
       0,
       5,
       {0x23, 0, 5, 0x3A, 'M', 'E', 0}},
      {"delete 256", 0, [](void* d) { return VORPEX_Delete(nullptr, d, 0, 256, "x"); }, 0, 5, {}},
      {"rename -1", 0, [](void* d) { return VORPEX_Rename(d, 0, -1, "x.mp3"); }, 0, 5, {}},
      {"replace 256", 0, [](void* d) { return VORPEX_Replace(d, 0, 256, 0); }, 0, 5, {}},
      {"format without a device",
       0,
       [](void*) { return VORPEX_Format(nullptr, nullptr, 0); },
       0,
       4,
       {}},
      {"copy without a device",
       0,
       [](void*) {
         return VORPEX_DownloadIndexFile(nullptr, nullptr, 0,
                                         VORPEX_TEST_TMP "/chip-files-one.bin");
       },
       0,
       4,
       {}},
  };
  for (const Case& c : cases) {
    PlayerSim_ClearLog();
    VORPEX_SetError(c.result == 1 ? 7 : 0);
    if (c.fault != 0) PlayerSim_SetFault(c.fault, 1);
    EXPECT_EQ(c.call(device_), c.result) << c.what;
    const auto wire = Exchange();
    if (c.head.empty()) {
      EXPECT_TRUE(wire.empty()) << c.what;
    } else {
      ASSERT_FALSE(wire.empty()) << c.what;
      EXPECT_EQ(Head(wire[0], c.head.size()), c.head) << c.what;
    }
    // Failures leave their code; a success of format clears the error, the others keep it.
    const int32_t expected = c.result == 0 ? c.error : std::string(c.what) == "format" ? 0 : 7;
    EXPECT_EQ(VORPEX_GetError(), expected) << c.what;
  }
  EXPECT_EQ(PlayerSim_Violations(), 0u);
  // The format and delete windows came and went.
  std::vector<std::string> captions;
  for (const auto& w : ui.windows) {
    EXPECT_FALSE(w->open);
    captions.push_back(w->caption + "|" + w->indexText + "|" + w->fileName);
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"Format||", "Format||", "Format||",
                                                "Deleting...|1|other.mp3", "Deleting...|0|x"}));
}

TEST_F(ChipFiles, RoundTripsByteForByteWithAndWithoutTheWindow) {
  RecordingUi ui;
  const std::vector<size_t> sizes = {0, 1, 511, 512, 513, 1000, 16384, 16385, 1 << 20};
  for (bool window : {true, false}) {
    for (size_t size : sizes) {
      Attach(nullptr);
      const size_t windowsBefore = ui.windows.size();
      const Bytes data = Pattern(size, static_cast<uint32_t>(size));
      WritePc(Pc("Round Trip Song.flac"), data);
      ASSERT_EQ((window ? VORPEX_DownloadElseFile : VORPEX_DownloadIndexFile)(
                    nullptr, device_, 1, Pc("Round Trip Song.flac").c_str()),
                1)
          << size;
      // Full chunks as they are, the short last one rounded up to 512.
      std::vector<size_t> expected(size / 16384, 16384);
      if (size % 16384 != 0) expected.push_back((size % 16384 + 511) / 512 * 512);
      EXPECT_EQ(OutLengthsAfter('W'), expected) << size;

      std::vector<DirEntry> entries(1);
      uint32_t count = 1;
      ASSERT_EQ(VORPEX_Refresh(device_, 1, nullptr, entries.data(), &count), 1);
      ASSERT_EQ(count, 1u);
      EXPECT_EQ(std::string(entries[0].name, 8) + std::string(entries[0].extension, 3),
                "Round Trfla");
      PlayerSim_ClearLog();
      ASSERT_EQ((window ? VORPEX_Upload : VORPEX_UploadIndexFile)(
                    nullptr, device_, 1, 0, Pc("back.bin").c_str(), "shown", entries[0].size),
                1);
      EXPECT_EQ(ReadPc(Pc("back.bin")), data) << size;
      EXPECT_EQ(PcFolderEntries(), 2u);  // no receiving file left behind
      EXPECT_EQ(PlayerSim_Violations(), 0u);
      EXPECT_EQ(ui.windows.size() - windowsBefore, window ? 2u : 0u);
      if (window && size == 1000) {
        const RecordedWindow& down = *ui.windows[windowsBefore];
        const RecordedWindow& up = *ui.windows[windowsBefore + 1];
        EXPECT_EQ(down.caption + "|" + down.text + "|" + down.indexText,
                  "Downloading|Round Tr.fla|0");
        EXPECT_EQ(up.caption + "|" + up.text + "|" + up.indexText, "Uploading...|shown|0");
        EXPECT_EQ(up.percents.back(), "100 %");
        EXPECT_EQ(up.total, 1000u);
      }
    }
  }
}

TEST_F(ChipFiles, APausedCopyWaitsBetweenPumpsAndThenGoesOn) {
  RecordingUi ui;
  // Pump 4 follows the first chunk; pumps 5, 6 and 7 find the copy paused and wait after it.
  ui.PressAtPump(4, Key::Pause);
  ui.PressAtPump(8, Key::Pause);
  const Bytes data = Pattern(4 * 16384, 8);
  WritePc(Pc("paused.bin"), data);
  const uint64_t start = PlayerSim_ElapsedMs();
  ASSERT_EQ(VORPEX_DownloadElseFile(nullptr, device_, 0, Pc("paused.bin").c_str()), 1);
  EXPECT_EQ(PlayerSim_ElapsedMs() - start, 3 * 50u);
  const auto first = std::find(ui.log.begin(), ui.log.end(), "press pause");
  const auto second = std::find(first + 1, ui.log.end(), "press pause");
  ASSERT_NE(second, ui.log.end());
  EXPECT_EQ(std::count(first, second, "pump"), 4);
  EXPECT_EQ(std::count_if(first, second, [](const std::string& l) { return l != "pump"; }), 1);
  Bytes back(data.size());
  EXPECT_EQ(PlayerSim_ReadFile(0, 0, back.data(), static_cast<uint32_t>(back.size())), data.size());
  EXPECT_EQ(back, data);
}

TEST_F(ChipFiles, WriteHeaderCarriesTheShortNameAndTheLocalTime) {
  WritePc(Pc("ABCDEFGHIJ.MP3x"), Bytes(1000, 7));
  ASSERT_EQ(VORPEX_DownloadIndexFile(nullptr, device_, 0, Pc("ABCDEFGHIJ.MP3x").c_str()), 1);
  const auto wire = Exchange();
  ASSERT_GE(wire.size(), 2u);
  // 2005-03-07 14:30:58 of the virtual clock: date 0x3267, time 0x73DD; 1000 bytes.
  EXPECT_EQ(Head(wire[0], 27),
            (Bytes{0x23, 0,   24,  0x3A, 'M',  'W',  'A',  'B',  'C', 'D', 'E',  'F',  'G', 'H',
                   '.',  'M', 'P', '3',  0x67, 0x32, 0xDD, 0x73, 0,   0,   0x03, 0xE8, 0x2E}));
}

TEST_F(ChipFiles, MultiByteNamesKeepWholeCharacters) {
  // "ü" is 0xC3 0xBC: as UTF-8 one character that does not fit after seven bytes; in a
  // single-byte code page two characters, of which the first fits.
  WritePc(Pc("aaaaaaaü.mp3"), Bytes(100, 1));
  ASSERT_EQ(VORPEX_DownloadIndexFile(nullptr, device_, 0, Pc("aaaaaaaü.mp3").c_str()), 1);
  std::vector<DirEntry> e(1);
  uint32_t count = 1;
  ASSERT_EQ(VORPEX_Refresh(device_, 0, nullptr, e.data(), &count), 1);
#ifdef _WIN32
  EXPECT_EQ(std::string(e[0].name, 8), ::IsDBCSLeadByte(0xC3) ? "aaaaaaa " : "aaaaaaa\xC3");
#else
  EXPECT_EQ(std::string(e[0].name, 8), "aaaaaaa ");
#endif
  ASSERT_EQ(
      VORPEX_UploadIndexFile(nullptr, device_, 0, 0, Pc("Zurück ü.mp3").c_str(), nullptr, 100), 1);
  EXPECT_EQ(ReadPc(Pc("Zurück ü.mp3")), Bytes(100, 1));
}

#ifdef _WIN32
// Run alone in code page 932, where "ソ" is 0x83 0x5C: two names that differ before it stay apart.
TEST_F(ChipFiles, ShortNamesInCodePage932) {
  ASSERT_EQ(::GetACP(), 932u) << "its test entry sets LC_ALL=ja_JP.UTF-8 for Wine";
  const std::string names[] = {"ab\x83\x5C", "cd\x83\x5C"};
  for (const std::string& name : names) {
    WritePc(Pc(name + ".mp3"), Bytes(10, 1));
    ASSERT_EQ(VORPEX_DownloadIndexFile(nullptr, device_, 0, Pc(name + ".mp3").c_str()), 1);
  }
  std::vector<DirEntry> e(2);
  uint32_t count = 2;
  ASSERT_EQ(VORPEX_Refresh(device_, 0, nullptr, e.data(), &count), 1);
  for (size_t i = 0; i < 2; ++i)
    EXPECT_EQ(std::string(e[i].name, 8) + std::string(e[i].extension, 3), names[i] + "    mp3");
}
#endif

// Each way a copy can fail: its code, the cancel request where the player was mid-data, no
// partial file on the PC, an existing destination unchanged, no partial file on the player.
TEST_F(ChipFiles, EveryFailureStageGivesItsCodeAndLosesNothing) {
  enum Direction { kFromPlayer, kToPlayer };
  struct Case {
    const char* what;
    Direction direction;
    int fault;       // 0: the user presses Cancel once the first chunk has moved
    int target;      // where an aimed fault strikes (PLAYERSIM_AT_...)
    uint32_t count;  // the how-manieth reply or transfer of the target
    int32_t error;
    bool cancelRequest;
  };
  // Copies from the player: replies 1 and 2 are the OK replies of "R", IN transfer 4 is the
  // second chunk of data. Copies to the player: OUT transfer 1 is "W", 3 the second chunk.
  const std::vector<Case> cases = {
      {"from: not sent", kFromPlayer, PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_TRANSFER, 1, 4, false},
      // A reply that does not come may have been sent with the data behind it: stopped too.
      {"from: no reply", kFromPlayer, PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 1, 4,
       true},
      {"from: refused", kFromPlayer, PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, PLAYERSIM_AT_REPLY, 1, 5,
       false},
      {"from: no second reply", kFromPlayer, PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 2,
       5, true},
      {"from: second refused", kFromPlayer, PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, PLAYERSIM_AT_REPLY,
       2, 5, false},
      {"from: short", kFromPlayer, PLAYERSIM_FAULT_SHORT_TRANSFER, PLAYERSIM_AT_TRANSFER_IN, 4, 4,
       true},
      {"from: stalled", kFromPlayer, PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_AT_TRANSFER_IN, 4, 4,
       true},
      {"from: unplugged", kFromPlayer, PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_TRANSFER_IN, 4, 4,
       true},
      {"from: cancel", kFromPlayer, 0, 0, 0, 14, true},
      {"to: not sent", kToPlayer, PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_TRANSFER, 1, 4, false},
      {"to: no reply", kToPlayer, PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 1, 4, true},
      {"to: memory full", kToPlayer, PLAYERSIM_FAULT_MEMORY_FULL, 0, 0, 9, false},
      {"to: short", kToPlayer, PLAYERSIM_FAULT_SHORT_TRANSFER, PLAYERSIM_AT_TRANSFER_OUT, 3, 4,
       true},
      {"to: stalled", kToPlayer, PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_AT_TRANSFER_OUT, 3, 4,
       true},
      {"to: unplugged", kToPlayer, PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_TRANSFER_OUT, 3, 4, true},
      {"to: cancel", kToPlayer, 0, 0, 0, 14, true},
  };
  const Bytes data = Pattern(5 * 16384 + 100, 3);
  const Bytes old = {'o', 'l', 'd'};
  for (const Case& c : cases) {
    for (bool window : {true, false}) {
      if (c.fault == 0 && !window) continue;  // no Cancel without a window
      const std::string what = std::string(c.what) + (window ? " (window)" : " (quiet)");
      Attach(nullptr);
      AddFile(0, "ONPLAYER", data);
      RecordingUi ui;
      WritePc(Pc("song.mp3"), c.direction == kFromPlayer ? old : data);
      if (c.fault == 0) {
        ui.onPump = [&] {
          if (ui.pressed.empty() && !ui.windows.empty() && !ui.windows[0]->positions.empty()) {
            ui.PressAtPump(ui.pumps, Key::Cancel);
          }
        };
      } else if (c.target == 0) {
        PlayerSim_SetFault(c.fault, 1);
      } else {
        ASSERT_EQ(PlayerSim_AimFault(c.fault, c.target, c.count, 0, 0), 1) << what;
      }
      PlayerSim_ClearLog();
      const auto path = Pc("song.mp3");
      const auto size = static_cast<uint32_t>(data.size());
      const int32_t result = c.direction == kFromPlayer
                                 ? (window ? VORPEX_Upload : VORPEX_UploadIndexFile)(
                                       nullptr, device_, 0, 0, path.c_str(), nullptr, size)
                                 : (window ? VORPEX_DownloadElseFile : VORPEX_DownloadIndexFile)(
                                       nullptr, device_, 0, path.c_str());
      EXPECT_EQ(result, 0) << what;
      EXPECT_EQ(VORPEX_GetError(), c.error) << what;
      EXPECT_EQ(CancelRequestSent(), c.cancelRequest) << what;
      EXPECT_EQ(ReadPc(path), c.direction == kFromPlayer ? old : data) << what;
      EXPECT_EQ(PcFolderEntries(), 1u) << what;
      // The window comes with the data, after the replies.
      const bool dataPhase = c.cancelRequest && c.target != PLAYERSIM_AT_REPLY;
      EXPECT_EQ(ui.windows.size(), window && dataPhase ? 1u : 0u) << what;
      for (const auto& w : ui.windows) EXPECT_FALSE(w->open) << what;
      PlayerSim_ClearFaults();
      if (c.fault == PLAYERSIM_FAULT_UNPLUG) {  // plugged in again
        PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0);
        VORPEX_Close(device_);
        device_ = VORPEX_Open();
      }
      EXPECT_EQ(Files(), 1u) << what;  // the player answers again and kept no partial file
      EXPECT_EQ(PlayerSim_Violations(), 0u) << what;
    }
  }
}

TEST_F(ChipFiles, PcFilesThatCannotBeUsedGiveTheSystemsErrorBeforeAnyData) {
  AddFile(0, "ONPLAYER", Bytes(600, 9));
  EXPECT_EQ(VORPEX_DownloadIndexFile(nullptr, device_, 0, Pc("missing.mp3").c_str()), 0);
  EXPECT_EQ(VORPEX_GetError(), 6);
  EXPECT_EQ(VORPEX_GetWindowsError(), 2u);  // the file was not found
  EXPECT_TRUE(Exchange().empty());
  EXPECT_EQ(VORPEX_DownloadIndexFile(nullptr, device_, 0, ".hidden"), 0);
  EXPECT_EQ(VORPEX_GetError(), 13);
  EXPECT_TRUE(Exchange().empty());

  // A destination in a folder that does not exist: after the two replies, before the data;
  // the player is told to stop and answers the next command.
  EXPECT_EQ(VORPEX_UploadIndexFile(nullptr, device_, 0, 0, Pc("no/such.mp3").c_str(), nullptr, 600),
            0);
  EXPECT_EQ(VORPEX_GetError(), 6);
  EXPECT_NE(VORPEX_GetWindowsError(), 0u);
  EXPECT_TRUE(CancelRequestSent());
  EXPECT_EQ(Exchange().size(), 3u);  // "R" and its two replies
  EXPECT_EQ(VORPEX_UploadIndexFile(nullptr, device_, 0, 0, nullptr, nullptr, 600), 0);
  EXPECT_EQ(VORPEX_GetWindowsError(), 3u);
  EXPECT_EQ(VORPEX_UploadIndexFile(nullptr, device_, 0, 256, Pc("x").c_str(), nullptr, 600), 0);
  EXPECT_EQ(Files(), 1u);
  EXPECT_EQ(PlayerSim_Violations(), 0u);
}

TEST_F(ChipFiles, AFileThatFillsTheMemoryExactlyFitsAndOneByteMoreIsRefused) {
  PlayerSimSettings settings;
  PlayerSim_DefaultSettings(&settings);
  settings.capacityM = 4;
  Attach(&settings);
  const Bytes data = Pattern(4 * 16384, 5);
  WritePc(Pc("full.bin"), data);
  ASSERT_EQ(VORPEX_DownloadElseFile(nullptr, device_, 0, Pc("full.bin").c_str()), 1);
  ASSERT_EQ(VORPEX_UploadIndexFile(nullptr, device_, 0, 0, Pc("back.bin").c_str(), nullptr,
                                   static_cast<uint32_t>(data.size())),
            1);
  EXPECT_EQ(ReadPc(Pc("back.bin")), data);
  WritePc(Pc("one.bin"), {1});
  PlayerSim_ClearLog();
  EXPECT_EQ(VORPEX_DownloadIndexFile(nullptr, device_, 0, Pc("one.bin").c_str()), 0);
  EXPECT_EQ(VORPEX_GetError(), 9);
  EXPECT_EQ(Exchange().size(), 2u);  // the "W" and the refusal, no data
}

}  // namespace
