// The device library's memory areas, file listings and copies against the simulated player,
// through the exports as a linking caller binds them, checked on the wire and in the PC's files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_copy.h"
#include "orvane_testing.h"
#include "playersim.h"
#include "protocol/dir_slot.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"
#include "support/upgrade_wire.h"

namespace {

using namespace vorpex::test;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void AddFile(int32_t area, const char* name8, const char* ext3, const Bytes& data) {
  vorpex::protocol::SlotFields f;
  std::copy_n(name8, 8, f.name.begin());
  std::copy_n(ext3, 3, f.extension.begin());
  f.attributes = 0x20;
  f.size = static_cast<uint32_t>(data.size());
  const auto slot = vorpex::protocol::EncodeSlot(f);
  ASSERT_EQ(PlayerSim_AddSlot(area, slot.data(), data.data(), f.size), 1);
}

Bytes PlayerFile(int32_t area, uint32_t index) {
  const uint32_t size = PlayerSim_ReadFile(area, index, nullptr, 0);
  if (size == 0xFFFFFFFFu) return {};
  Bytes data(size);
  PlayerSim_ReadFile(area, index, data.data(), size);
  return data;
}

Bytes ReadPc(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WritePc(const std::string& path, const Bytes& data) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// The command blocks sent, by code; and the lengths of the OUT and IN transfers that follow
// the first block with `code`.
std::string CodesSent() {
  std::string codes;
  for (const WireEntry& e : Exchange()) {
    if (e.kind == PLAYERSIM_LOG_OUT && e.bytes.size() == 512 && e.bytes[0] == 0x23) {
      codes += static_cast<char>(e.bytes[5]);
    }
  }
  return codes;
}
std::vector<size_t> DataAfter(uint8_t code, int32_t kind) {
  std::vector<size_t> lengths;
  bool after = false;
  for (const WireEntry& e : Exchange()) {
    const bool block = e.bytes.size() == 512 && e.bytes[0] == 0x23 && e.bytes[3] == 0x3A;
    if (after && e.kind == kind && !block) lengths.push_back(e.bytes.size());
    after = after || (e.kind == PLAYERSIM_LOG_OUT && block && e.bytes[5] == code);
  }
  return lengths;
}
// The first `n` bytes of the first block sent with `code`.
Bytes BlockSent(uint8_t code, size_t n = 512) {
  for (const WireEntry& e : Exchange()) {
    if (e.kind == PLAYERSIM_LOG_OUT && e.bytes.size() == 512 && e.bytes[5] == code) {
      return Head(e, n);
    }
  }
  return {};
}
bool AbortSent() {
  for (const WireEntry& e : WireLog()) {
    if (e.kind == PLAYERSIM_LOG_ABORT) return true;
  }
  return false;
}

// The chip library's read time-out, as a stalled read waits it out on virtual time.
uint64_t ChipReadTimeoutMs() {
  void* chip = VORPEX_Open();
  if (chip == nullptr) return 0;
  PlayerSim_SetFault(PLAYERSIM_FAULT_STALL_TRANSFER, 1);
  const uint64_t before = PlayerSim_ElapsedMs();
  uint8_t block[512];
  VORPEX_RecvUSB(chip, block, sizeof block);
  const uint64_t waited = PlayerSim_ElapsedMs() - before;
  VORPEX_Close(chip);
  return waited;
}

class DeviceFiles : public ::testing::Test {
 protected:
  void SetUp() override { Attach(); }
  void Attach(uint32_t capacityM = 2048) {
    if (PlayerSim_IsAttached()) TearDown();
    PlayerSimSettings s;
    PlayerSim_DefaultSettings(&s);
    s.capacityM = capacityM;
    ASSERT_TRUE(AttachFreshPlayer("device-files", &s));
    PlayerSim_UseVirtualTime(1);
    OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
    ASSERT_EQ(Usb_Checking(0), 1);
    folder_ = FreshStateDir("pc");
    fs::create_directories(folder_);
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
  }
  void TearDown() override {
    Usb_Close(0);
    OrvaneTesting_UseSystemVersion();
    PlayerSim_ClearFaults();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }
  std::string Pc(const std::string& name) const { return folder_ + "/" + name; }
  size_t PcFolderEntries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }
  // Clears the faults; a player that was unplugged needs a new session.
  void Replug() {
    PlayerSim_ClearFaults();
    PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0);
    Usb_Close(0);
    ASSERT_EQ(Usb_Checking(0), 1);
  }
  void* Session() const { return reinterpret_cast<void*>(intptr_t{1}); }

  std::string folder_;
};

TEST_F(DeviceFiles, MemoryFiguresFromTheDirectoryHeader) {
  struct Case {
    uint32_t capacity;
    size_t storedBytes;
    uint32_t total;
    uint32_t freeBytes;
    int32_t error;
  };
  for (const Case& c : {Case{0, 0, 0, 0, 12}, Case{64, 16 * 16384, 1048576, 786432, 0}}) {
    Attach(c.capacity);
    if (c.storedBytes != 0) AddFile(0, "BIG     ", "BIN", Bytes(c.storedBytes, 7));
    EXPECT_EQ(Usb_TotalMemory(0), c.total) << c.capacity;
    EXPECT_EQ(Usb_FreeMemory(0, 0), c.freeBytes) << c.capacity;
    EXPECT_EQ(VORPEX_GetError(), c.error) << c.capacity;
    EXPECT_EQ(CodesSent(), "G");
    // The free figure is read from the picture: nothing more goes out.
    PlayerSim_ClearLog();
    Usb_FreeMemory(0, 0);
    EXPECT_TRUE(Exchange().empty());
  }
  // An area that is neither M nor S is refused without a word to the player.
  EXPECT_EQ(Usb_TotalMemory(2), 0u);
  EXPECT_EQ(Usb_FreeMemory(0, -1), 0u);
  EXPECT_TRUE(Exchange().empty());
  // A directory that cannot be read whole, or an unplugged player, reads as no memory, and the
  // picture says so afterwards.
  Attach(64);
  AddFile(0, "SONG    ", "MP3", Bytes(100, 1));
  for (int fault : {PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_FAULT_UNPLUG}) {
    ASSERT_EQ(Usb_FileCount(Session(), 0), 1u);
    ASSERT_NE(Usb_FreeMemory(0, 0), 0u);
    PlayerSim_AimFault(fault, PLAYERSIM_AT_REPLY, 2, 0, 0);  // the first directory block
    if (fault == PLAYERSIM_FAULT_UNPLUG) PlayerSim_SetFault(fault, 1);
    EXPECT_EQ(Usb_TotalMemory(0), 0u);
    EXPECT_EQ(VORPEX_GetError(), 4);
    EXPECT_EQ(Usb_FreeMemory(0, 0), 0u);
    Replug();
  }
}

TEST_F(DeviceFiles, FormatsSendTheirLetterShowTheirFailuresAndRestoreTheTimeOuts) {
  struct Case {
    int32_t(ORVANE_CC* format)(void*, void*, int32_t);
    char code;
    int32_t area;
    int fault;  // aimed at the format command; unplug: before the call
    bool before;
    int32_t result;
    std::vector<std::string> boxes;
  };
  const std::string kUsb = "VORPEXUSB_ERR_USB", kFormat = "VORPEXUSB_ERR_FORMAT";
  const std::string kVoiceMp3 = "Format error 2";
  const std::vector<Case> cases = {
      {&Usb_Format, 'F', 0, 0, false, 0, {}},
      {&Usb_VocaFormat, 'V', 1, 0, false, 0, {}},
      {&Usb_Mp3Format, 'C', 0, 0, false, 0, {}},
      {&Usb_Format, 'F', 0, PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, false, 10, {kFormat}},
      {&Usb_VocaFormat, 'V', 1, PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, false, 10, {kVoiceMp3, kFormat}},
      {&Usb_Mp3Format, 'C', 0, PLAYERSIM_FAULT_DROP_NEXT_REPLY, false, 4, {kVoiceMp3, kUsb}},
      // Not sent: recorded, not shown.
      {&Usb_Mp3Format, 'C', 1, PLAYERSIM_FAULT_UNPLUG, false, 4, {}},
      // The area cannot be read before the format: shown, nothing more sent.
      {&Usb_VocaFormat, 'V', 0, PLAYERSIM_FAULT_UNPLUG, true, 4, {kUsb}},
  };
  for (const Case& c : cases) {
    Attach();
    AddFile(c.area, "SONG    ", "MP3", Bytes(100, 1));
    ASSERT_EQ(Usb_FileCount(Session(), c.area), 1u);
    PlayerSim_ClearLog();
    RecordingUi ui;
    const uint8_t letter = c.area == 0 ? 'M' : 'S';
    if (c.before) {
      PlayerSim_SetFault(c.fault, 1);
    } else if (c.fault != 0) {
      ASSERT_EQ(PlayerSim_AimFault(c.fault, PLAYERSIM_AT_COMMAND, 0, letter,
                                   static_cast<uint8_t>(c.code)),
                1);
    }
    EXPECT_EQ(c.format(nullptr, nullptr, c.area), c.result) << c.code << c.fault;
    std::vector<std::string> texts;
    for (const auto& box : ui.boxes) texts.push_back(box.text);
    EXPECT_EQ(texts, c.boxes) << c.code << c.fault;
    // Only a command not sent is recorded; the player's answer is shown, not recorded.
    EXPECT_EQ(VORPEX_GetError(), c.fault == PLAYERSIM_FAULT_UNPLUG ? 4 : 0) << c.code << c.fault;
    PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0);
    EXPECT_EQ(ChipReadTimeoutMs(), 3000u) << c.code << c.fault;
    if (c.result == 0) {
      EXPECT_EQ(CodesSent(), std::string("G") + c.code);
      EXPECT_EQ(BlockSent(static_cast<uint8_t>(c.code), 7),
                (Bytes{0x23, 0, 4, 0x3A, letter, static_cast<uint8_t>(c.code), 0x2E}));
      // Formatted, but the picture still lists the old file until the next count.
      char name[8] = {};
      Usb_ListFileName(0, c.area, 0, name);
      EXPECT_EQ(std::string(name, 8), "SONG    ");
      EXPECT_EQ(Usb_FileCount(Session(), c.area), 0u);
    }
  }
}

TEST_F(DeviceFiles, ACountWithoutADeviceLeavesNoSessionSoAFormatRefuses) {
  AddFile(0, "SONG    ", "MP3", Bytes(10, 1));
  EXPECT_EQ(Usb_FileCount(nullptr, 0), 0u);
  EXPECT_EQ(CodesSent(), "G");  // the area is reloaded all the same
  PlayerSim_ClearLog();
  RecordingUi ui;
  EXPECT_EQ(Usb_Format(nullptr, nullptr, 0), 3);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "VORPEXUSB_ERR_DEVICE_OPEN");
  EXPECT_TRUE(Exchange().empty());
  EXPECT_EQ(PlayerFile(0, 0).size(), 10u);
  // A count with a device value gives the session back.
  EXPECT_EQ(Usb_FileCount(Session(), 0), 1u);
  EXPECT_EQ(Usb_Format(nullptr, nullptr, 0), 0);
}

TEST_F(DeviceFiles, ListingsReadThePictureAsStored) {
  AddFile(1, "AB      ", "TXT", Bytes(3, 1));
  AddFile(1, "SONG    ", "MP3", Bytes(4000000, 2));
  EXPECT_EQ(Usb_FileCount(Session(), 1), 2u);
  EXPECT_EQ(Usb_MusicFileCount(Session(), 1), 0u);
  EXPECT_EQ(Usb_FileCount(Session(), 0), 0u);  // the other area is its own

  char name[8] = {};
  EXPECT_EQ(Usb_ListFileName(0, 1, 0, name), 0);
  EXPECT_EQ(std::string(name, 8), "AB      ");  // blanks kept, no terminator
  EXPECT_EQ(Usb_ListFileSize(0, 1, 1), 4000000u);
  RecordingUi ui;
  char ext[3] = {};
  for (int32_t index : {0, 1}) {
    const char* text = Usb_ListFileNameExt(0, 1, index, ext);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), index == 0 ? "TXT" : "MP3");
    EXPECT_EQ(std::string(ext, 3), text);
  }
  ASSERT_EQ(ui.boxes.size(), 2u);  // one box a call, with the extension as its text
  EXPECT_EQ(ui.boxes[1].text, "MP3");

  // No slot of the picture: nothing copied, no box, 0.
  struct Bad {
    int32_t area;
    int32_t index;
  };
  for (const Bad& b : {Bad{2, 0}, Bad{-1, 0}, Bad{1, 256}, Bad{1, -1}}) {
    char untouched[8];
    std::memset(untouched, 'x', sizeof untouched);
    EXPECT_EQ(Usb_ListFileName(0, b.area, b.index, untouched), 0);
    EXPECT_EQ(Usb_ListFileNameExt(0, b.area, b.index, untouched), nullptr);
    EXPECT_EQ(Usb_ListFileSize(0, b.area, b.index), 0u);
    EXPECT_EQ(std::string(untouched, 8), "xxxxxxxx");
    EXPECT_EQ(Usb_FileCount(Session(), b.area), b.area == 1 ? 2u : 0u);
  }
  EXPECT_EQ(ui.boxes.size(), 2u);
  // The count is the one the header reports, whatever the directory blocks hold.
  AddFile(1, "THREE   ", "MP3", Bytes(5, 3));
  AddFile(1, "FOUR    ", "MP3", Bytes(6, 4));
  ASSERT_EQ(PlayerSim_SetDirectoryHeader(1, 3, -1), 1);
  EXPECT_EQ(Usb_FileCount(Session(), 1), 3u);
  EXPECT_EQ(Usb_ListFileSize(0, 1, 2), 5u);
  EXPECT_EQ(Usb_ListFileSize(0, 1, 3), 0u);  // beyond the count: never filled
}

TEST_F(DeviceFiles, DeleteAndReplaceResultsAtEachStage) {
  AddFile(0, "ONE     ", "MP3", Bytes(10, 1));
  AddFile(0, "TWO     ", "MP3", Bytes(20, 2));
  ASSERT_EQ(Usb_FileCount(Session(), 0), 2u);
  struct Case {
    const char* what;
    std::function<int32_t()> call;
    int fault;
    int32_t result;
    int32_t error;
    std::string sent;
    Bytes block = {};  // the block's head, length to payload, when checked
  };
  const std::vector<Case> cases = {
      {"delete 256", [] { return Usb_Delete(nullptr, 0, 256); }, 0, 1, 5, ""},
      {"delete unplugged", [] { return Usb_Delete(nullptr, 0, 0); }, PLAYERSIM_FAULT_UNPLUG, 1, 4,
       ""},
      {"delete unanswered", [] { return Usb_Delete(nullptr, 0, 0); },
       PLAYERSIM_FAULT_DROP_NEXT_REPLY, 2, 4, "E"},
      {"delete refused", [] { return Usb_Delete(nullptr, 0, 0); },
       PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 3, 5, "E"},
      {"delete no such entry", [] { return Usb_Delete(nullptr, 0, 9); }, 0, 3, 5, "E"},
      {"replace 300", [] { return Usb_Replace(nullptr, 0, 300, 1); }, 0, 0, 5, ""},
      {"replace unanswered", [] { return Usb_Replace(nullptr, 0, 0, 1); },
       PLAYERSIM_FAULT_DROP_NEXT_REPLY, 0, 4, "P"},
      {"replace refused", [] { return Usb_Replace(nullptr, 0, 0, 1); },
       PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 0, 5, "P"},
      {"replace",
       [] { return Usb_Replace(nullptr, 0, 0, 0x101); },
       0,
       1,
       0,
       "P",
       {0x23, 0, 6, 0x3A, 'M', 'P', 0, 0x01, 0x2E}},
      {"delete",
       [] { return Usb_Delete(nullptr, 0, 0); },
       0,
       0,
       0,
       "E",
       {0x23, 0, 5, 0x3A, 'M', 'E', 0, 0x2E}},
  };
  for (const Case& c : cases) {
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
    if (c.fault != 0) PlayerSim_SetFault(c.fault, 1);
    EXPECT_EQ(c.call(), c.result) << c.what;
    EXPECT_EQ(VORPEX_GetError(), c.error) << c.what;
    PlayerSim_ClearFaults();
    EXPECT_EQ(CodesSent(), c.sent) << c.what;
    if (!c.block.empty()) {
      EXPECT_EQ(BlockSent(static_cast<uint8_t>(c.sent[0]), c.block.size()), c.block) << c.what;
    }
    Replug();
  }
  // The replace swapped the two entries and the delete took the first, "TWO"; the picture
  // shows the entries as they were until the next count.
  char name[8] = {};
  Usb_ListFileName(0, 0, 1, name);
  EXPECT_EQ(std::string(name, 8), "TWO     ");
  EXPECT_EQ(Usb_FileCount(Session(), 0), 1u);
  Usb_ListFileName(0, 0, 0, name);
  EXPECT_EQ(std::string(name, 8), "ONE     ");
}

TEST_F(DeviceFiles, FileCount2ReplacesAfterTheCountAndReturnsTheCountBeforeIt) {
  AddFile(0, "ONE     ", "MP3", Bytes(10, 1));
  AddFile(0, "TWO     ", "MP3", Bytes(20, 2));
  EXPECT_EQ(Usb_FileCount2(Session(), 0, 1, 0x102), 2u);
  EXPECT_EQ(CodesSent(), "GP");
  EXPECT_EQ(BlockSent('P', 9), (Bytes{0x23, 0, 6, 0x3A, 'M', 'P', 1, 0x02, 0x2E}));
}

TEST_F(DeviceFiles, DownloadsAnnounceTheFileAndSendItInWholeUnits) {
  struct Case {
    size_t size;
    bool opening;  // the announcement only, with the extra 512 bytes
    uint32_t announced;
    std::vector<size_t> writes;
  };
  const std::vector<Case> cases = {
      {1000, false, 1000, {1024}},         {0, false, 0, {}},      {16384, false, 16384, {16384}},
      {16385, false, 16385, {16384, 512}}, {1000, true, 1512, {}},
  };
  for (const Case& c : cases) {
    Attach();
    const Bytes data = Pattern(c.size, static_cast<uint32_t>(c.size));
    WritePc(Pc("track.mp3"), data);
    const int32_t result =
        c.opening ? Usb_Download(nullptr, 1, Pc("track.mp3").c_str(), 1)
                  : Usb_DownloadIndexFile(nullptr, nullptr, 1, Pc("track.mp3").c_str());
    EXPECT_EQ(result, 1) << c.size;
    const Bytes w = BlockSent('W');
    ASSERT_EQ(w.size(), 512u) << c.size;
    // "track.mp3", then 2005-03-07 and 14:30:58 low byte first, then the size high byte first.
    const Bytes expected = {'S',
                            'W',
                            't',
                            'r',
                            'a',
                            'c',
                            'k',
                            '.',
                            'm',
                            'p',
                            '3',
                            0x67,
                            0x32,
                            0xDD,
                            0x73,
                            static_cast<uint8_t>(c.announced >> 24),
                            static_cast<uint8_t>(c.announced >> 16),
                            static_cast<uint8_t>(c.announced >> 8),
                            static_cast<uint8_t>(c.announced)};
    EXPECT_EQ(Bytes(w.begin() + 4, w.begin() + 4 + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(DataAfter('W', PLAYERSIM_LOG_OUT), c.writes) << c.size;
    if (!c.opening) {
      EXPECT_EQ(PlayerFile(1, 0), data) << c.size;
    }
  }
}

TEST_F(DeviceFiles, DownloadFailuresRecordTheirCodeAndSendNoData) {
  WritePc(Pc("song.mp3"), Bytes(3000, 5));
  struct Case {
    const char* what;
    std::string path;
    int fault;
    int32_t error;
    uint32_t windowsError;
  };
  const std::vector<Case> cases = {
      {"no short name", ".mp3", 0, 13, 0},
      {"missing file", Pc("missing.mp3"), 0, 6, 2},
      {"unplugged", Pc("song.mp3"), PLAYERSIM_FAULT_UNPLUG, 4, 0},
      {"unanswered", Pc("song.mp3"), PLAYERSIM_FAULT_DROP_NEXT_REPLY, 4, 0},
      {"player full", Pc("song.mp3"), PLAYERSIM_FAULT_MEMORY_FULL, 9, 0},
  };
  for (const Case& c : cases) {
    for (bool opening : {true, false}) {
      PlayerSim_ClearLog();
      VORPEX_SetError(0);
      VORPEX_SetWindowsError(0xFFFF);
      VORPEX_SetError(0);
      if (c.fault != 0) PlayerSim_SetFault(c.fault, 1);
      const int32_t result = opening ? Usb_Download(nullptr, 0, c.path.c_str(), 0)
                                     : Usb_DownloadIndexFile(nullptr, nullptr, 0, c.path.c_str());
      PlayerSim_ClearFaults();
      EXPECT_EQ(result, 0) << c.what;
      EXPECT_EQ(VORPEX_GetError(), c.error) << c.what;
      if (c.windowsError != 0) {
        EXPECT_EQ(VORPEX_GetWindowsError(), c.windowsError) << c.what;
      }
      EXPECT_TRUE(DataAfter('W', PLAYERSIM_LOG_OUT).empty()) << c.what;
      Replug();
    }
  }
  EXPECT_EQ(PlayerFile(0, 0), Bytes{});

#ifndef _WIN32
  // A file that comes up short of its size as it is read (a kernel attribute file reports 4096
  // bytes and holds a few): the end of file as the error, the data phase aborted, nothing kept.
  for (const char* path :
       {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/kernel/profiling"}) {
    if (!fs::exists(path)) continue;
    PlayerSim_ClearLog();
    EXPECT_EQ(Usb_DownloadIndexFile(nullptr, nullptr, 0, path), 0);
    EXPECT_EQ(VORPEX_GetError(), 6);
    EXPECT_EQ(VORPEX_GetWindowsError(), 38u);
    EXPECT_TRUE(AbortSent());
    Replug();
    EXPECT_EQ(Usb_FileCount(Session(), 0), 0u);
    break;
  }
#endif
  // The data phase fails: the player is told to drop what it has.
  WritePc(Pc("long.mp3"), Bytes(20000, 6));
  for (int fault :
       {PLAYERSIM_FAULT_SHORT_TRANSFER, PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_FAULT_UNPLUG}) {
    PlayerSim_ClearLog();
    ASSERT_EQ(PlayerSim_AimFault(fault, PLAYERSIM_AT_TRANSFER_OUT, 2, 0, 0), 1);  // after "W"
    EXPECT_EQ(Usb_DownloadIndexFile(nullptr, nullptr, 0, Pc("long.mp3").c_str()), 0) << fault;
    EXPECT_EQ(VORPEX_GetError(), 4) << fault;
    EXPECT_EQ(AbortSent(), fault != PLAYERSIM_FAULT_UNPLUG) << fault;
    Replug();
    EXPECT_EQ(Usb_FileCount(Session(), 0), 0u) << fault;
  }
}

TEST_F(DeviceFiles, UploadIndexFileReceivesWholeUnitsAndKeepsOnlyACompleteFile) {
  const Bytes song = Pattern(700, 3);
  AddFile(0, "SONG    ", "MP3", song);
  const std::string dest = Pc("out.mp3");
  EXPECT_EQ(Usb_UploadIndexFile(nullptr, nullptr, 0, 0, dest.c_str(), nullptr, 700), 1);
  EXPECT_EQ(DataAfter('R', PLAYERSIM_LOG_IN), (std::vector<size_t>{1024}));  // after two OKs
  EXPECT_EQ(ReadPc(dest), song);

  struct Case {
    const char* what;
    int32_t index;
    uint32_t size;  // more than the player holds: the receive stalls
    int fault;
    int target;  // 0: the fault strikes at once; else where it is aimed
    uint32_t count;
    int32_t error;
    std::string sent;
    bool abort;
  };
  const std::vector<Case> cases = {
      {"index 300", 300, 700, 0, 0, 0, 0, "", false},
      {"unplugged", 0, 700, PLAYERSIM_FAULT_UNPLUG, 0, 0, 4, "", false},
      // A reply that does not come may have been sent with the data behind it: stopped too.
      {"first reply missing", 0, 700, PLAYERSIM_FAULT_DROP_NEXT_REPLY, 0, 0, 4, "R", true},
      {"refused", 0, 700, PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 0, 0, 5, "R", false},
      {"second reply missing", 0, 700, PLAYERSIM_FAULT_DROP_NEXT_REPLY, PLAYERSIM_AT_REPLY, 2, 5,
       "R", true},
      {"second reply refused", 0, 700, PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, PLAYERSIM_AT_REPLY, 2, 5,
       "R", false},
      {"no such entry", 7, 700, 0, 0, 0, 5, "R", false},
      {"more asked than held", 0, 2000, 0, 0, 0, 4, "R", true},
      {"short data", 0, 700, PLAYERSIM_FAULT_SHORT_TRANSFER, PLAYERSIM_AT_TRANSFER_IN, 3, 4, "R",
       true},
      {"stalled data", 0, 700, PLAYERSIM_FAULT_STALL_TRANSFER, PLAYERSIM_AT_TRANSFER_IN, 3, 4, "R",
       true},
  };
  WritePc(dest, Bytes(5, 'k'));
  for (const Case& c : cases) {
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
    if (c.target != 0) {
      ASSERT_EQ(PlayerSim_AimFault(c.fault, c.target, c.count, 0, 0), 1) << c.what;
    } else if (c.fault != 0) {
      PlayerSim_SetFault(c.fault, 1);
    }
    EXPECT_EQ(Usb_UploadIndexFile(nullptr, nullptr, 0, c.index, dest.c_str(), nullptr, c.size), 0)
        << c.what;
    PlayerSim_ClearFaults();
    EXPECT_EQ(VORPEX_GetError(), c.error) << c.what;
    EXPECT_EQ(CodesSent(), c.sent) << c.what;
    EXPECT_EQ(AbortSent(), c.abort) << c.what;
    EXPECT_EQ(ReadPc(dest), Bytes(5, 'k')) << c.what;  // the user's file as it was
    EXPECT_EQ(PcFolderEntries(), 1u) << c.what;        // and nothing beside it
    Replug();
  }
  // The player is ready for commands again after the aborted data phase.
  EXPECT_EQ(Usb_FileCount(Session(), 0), 1u);

  // A destination that cannot be created: the system's error, the data phase aborted.
  PlayerSim_ClearLog();
  EXPECT_EQ(
      Usb_UploadIndexFile(nullptr, nullptr, 0, 0, Pc("no/such/dir.mp3").c_str(), nullptr, 700), 0);
  EXPECT_EQ(VORPEX_GetError(), 6);
  EXPECT_NE(VORPEX_GetWindowsError(), 0u);
  EXPECT_TRUE(AbortSent());
  EXPECT_EQ(Usb_FileCount(Session(), 0), 1u);

  // Unplugged in the middle of the data: no abort can reach it, the user's file stays.
  ASSERT_EQ(PlayerSim_AimFault(PLAYERSIM_FAULT_UNPLUG, PLAYERSIM_AT_TRANSFER_IN, 3, 0, 0), 1);
  EXPECT_EQ(Usb_UploadIndexFile(nullptr, nullptr, 0, 0, dest.c_str(), nullptr, 700), 0);
  EXPECT_EQ(VORPEX_GetError(), 4);
  EXPECT_EQ(ReadPc(dest), Bytes(5, 'k'));
  EXPECT_EQ(PcFolderEntries(), 1u);
}

// A program that uses only the opening steps and moves the data itself, as existing callers do.
TEST_F(DeviceFiles, OpeningStepsAndTheCallersOwnDataMoveFilesBothWays) {
  for (size_t size : {size_t{1}, size_t{16384}, size_t{40000}}) {
    Attach();
    const Bytes data = Pattern(size, static_cast<uint32_t>(size) + 1);
    WritePc(Pc("in.bin"), data);
    ASSERT_EQ(Usb_Download(nullptr, 0, Pc("in.bin").c_str(), 0), 1);
    Bytes chunk(16384);
    for (size_t sent = 0; sent < size; sent += chunk.size()) {
      const size_t real = std::min(chunk.size(), size - sent);
      std::fill(chunk.begin(), chunk.end(), 0);
      std::copy_n(data.begin() + static_cast<long>(sent), real, chunk.begin());
      const uint32_t wire = static_cast<uint32_t>((real + 511) / 512 * 512);
      ASSERT_EQ(Usb_SendUSB(nullptr, chunk.data(), wire), static_cast<int32_t>(wire));
    }
    ASSERT_EQ(Usb_FileCount(Session(), 0), 1u);
    EXPECT_EQ(PlayerFile(0, 0), data) << size;

    void* file = Usb_Upload(nullptr, nullptr, 0, 0, Pc("back.bin").c_str(), nullptr, 0);
    ASSERT_NE(file, nullptr);
    const uint32_t total = Usb_ListFileSize(0, 0, 0);
    ASSERT_EQ(total, size);
    for (uint32_t got = 0; got < total;) {
      const uint32_t real = std::min<uint32_t>(16384, total - got);
      got += real;
      ASSERT_EQ(Usb_WriteData(nullptr, file, (real + 511) / 512 * 512, real, got == total ? 1 : 0),
                0);
    }
    EXPECT_EQ(ReadPc(Pc("back.bin")), data) << size;
  }
  // The opening of an upload refuses what the full copy refuses.
  PlayerSim_ClearLog();
  EXPECT_EQ(Usb_Upload(nullptr, nullptr, 0, 300, Pc("x.bin").c_str(), nullptr, 0), nullptr);
  EXPECT_TRUE(Exchange().empty());
  PlayerSim_SetFault(PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, 1);
  EXPECT_EQ(Usb_Upload(nullptr, nullptr, 0, 0, Pc("x.bin").c_str(), nullptr, 0), nullptr);
  EXPECT_EQ(VORPEX_GetError(), 5);
  EXPECT_FALSE(fs::exists(Pc("x.bin")));
  EXPECT_EQ(Usb_DownloadFile(1, 2, 3, 4, 5, 6, 7, 8), 0);
}

// The copies with a progress callback, as their caller hears them: before each chunk and at the
// end, a cancel between chunks stopping the player and keeping nothing.
struct Heard {
  size_t cancelAt;  // the call that answers nonzero (counted from 1)
  std::vector<uint32_t> done;
};
int32_t ORVANE_CC Listen(void* context, uint32_t done, uint32_t total) {
  auto& heard = *static_cast<Heard*>(context);
  heard.done.push_back(total == 40000 ? done : ~0u);
  return heard.done.size() == heard.cancelAt ? 1 : 0;
}

TEST_F(DeviceFiles, CopiesWithProgressTellEachChunkAndCancelBetweenThem) {
  const Bytes song = Pattern(40000, 9);
  AddFile(0, "SONG    ", "MP3", song);
  WritePc(Pc("song.mp3"), song);
  WritePc(Pc("back.mp3"), Bytes(5, 'k'));
  const std::vector<uint32_t> all = {0, 16384, 32768, 40000};
  const struct {
    bool toPlayer;
    size_t cancelAt;
    std::vector<uint32_t> heard;
    int32_t result;
  } cases[] = {
      {true, 2, {0, 16384}, 0},         {true, 0, all, 1},  {false, 1, {0}, 0},
      {false, 3, {0, 16384, 32768}, 0}, {false, 4, all, 1},
  };
  for (const auto& c : cases) {
    const uint32_t filesInS = Usb_FileCount(Session(), 1);
    const Bytes before = ReadPc(Pc("back.mp3"));
    PlayerSim_ClearLog();
    VORPEX_SetError(0);
    Heard heard{c.cancelAt, {}};
    EXPECT_EQ(c.toPlayer
                  ? OrvaneCopy_ToPlayer(1, Pc("song.mp3").c_str(), Listen, &heard)
                  : OrvaneCopy_FromPlayer(0, 0, Pc("back.mp3").c_str(), 40000, Listen, &heard),
              c.result);
    EXPECT_EQ(heard.done, c.heard) << c.toPlayer << c.cancelAt;
    EXPECT_EQ(VORPEX_GetError(), c.result == 1 ? 0 : VORPEX_ERR_USERBREAK);
    EXPECT_EQ(AbortSent(), c.result == 0);
    EXPECT_EQ(Usb_FileCount(Session(), 1), filesInS + (c.toPlayer ? c.result : 0));
    EXPECT_EQ(ReadPc(Pc("back.mp3")), c.toPlayer || c.result == 0 ? before : song);
    EXPECT_EQ(PcFolderEntries(), 2u);
  }
}

TEST_F(DeviceFiles, PassThroughsRunTheChipLibrarysCopiesOnItsHandle) {
  RecordingUi ui;
  void* chip = VORPEX_Open();
  ASSERT_NE(chip, nullptr);
  const Bytes data = Pattern(20000, 9);
  WritePc(Pc("chip.bin"), data);
  EXPECT_EQ(Usb_DownloadElseFile(nullptr, chip, 1, Pc("chip.bin").c_str()), 1);
  EXPECT_EQ(PlayerFile(1, 0), data);
  EXPECT_EQ(Usb_UploadFile(nullptr, chip, 1, 0, Pc("back.bin").c_str(), "back", 20000), 1);
  EXPECT_EQ(ReadPc(Pc("back.bin")), data);
  EXPECT_EQ(ui.windows.size(), 2u);  // the chip library's progress windows, one a copy
  VORPEX_Close(chip);
}

}  // namespace
