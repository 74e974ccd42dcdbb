// Every operation of both libraries that talks to the player, struck by every fault the
// simulated player can arm, at every exchange of the operation where the fault can strike. The
// exchanges are those of the operation's own fault-free run, read from the wire log; what each
// one means for the caller (which code, which result) comes from the table below. On virtual
// time, so every time-out costs nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"
#include "VORPEXUSB.h"
#include "orvane_testing.h"
#include "platform/environment.h"
#include "playersim.h"
#include "protocol/command_block.h"
#include "protocol/dir_slot.h"
#include "support/hex_text.h"
#include "support/recording_ui.h"
#include "support/sim_player.h"
#include "support/upgrade_wire.h"

namespace {

using namespace vorpex::test;
namespace fs = std::filesystem;
namespace protocol = vorpex::protocol;
using Bytes = std::vector<uint8_t>;

// The error code a case sets before the call: an operation that records nothing leaves it.
constexpr int32_t kUntouched = 77;
constexpr size_t kSongSize = 16384 + 1000;  // two chunks on the wire: 16384 and 1024
constexpr size_t kImageSize = 1500;         // three blocks of an upgrade

// Where a fault struck, as the operation sees it: a command that did not go out, a reply that
// did not come or came refused (the how-manieth of its command), file or image data that did
// not move whole; or nowhere (the fault leaves the operation alone).
struct Stage {
  enum What { kNotSent, kNoReply, kRefused, kData, kNowhere } what = kNowhere;
  uint8_t code = 0;  // the command's code
  int reply = 0;
};

// What the caller must see: the result, the error state, and for a read that went through
// whether it read the files (a refused header or directory block reads as holding none).
struct Expect {
  bool ok;
  int32_t result = 0;  // for a failure
  int32_t error = kUntouched;
  bool readsNoFiles = false;
};
Expect Ok() {
  return {true};
}
Expect Fail(int32_t result, int32_t error) {
  return {false, result, error};
}
Expect NoFiles() {
  return {true, 0, kUntouched, true};
}
// Most operations: 4 when a command or reply or data does not move, `refused` for a refusal.
Expect Usual(const Stage& s, int32_t refused = VORPEX_ERR_INTERNAL) {
  if (s.what == Stage::kNowhere) return Ok();
  return Fail(0, s.what == Stage::kRefused ? refused : VORPEX_ERR_USB);
}
// A directory read records nothing when it fails, and takes the header and blocks as they come.
Expect DirectoryRead(const Stage& s) {
  if (s.what == Stage::kNowhere) return Ok();
  return s.what == Stage::kRefused ? NoFiles() : Fail(0, kUntouched);
}
// The device library reloads an area before a format and for its total: 4 when it cannot be
// read, 12 when the header (refused) shows no capacity; a refused directory block goes unseen.
// The format returns the code, the total 0.
std::optional<Expect> AreaReload(const Stage& s, bool returnsCode) {
  if (s.what == Stage::kNowhere || s.code != protocol::kCmdReadDirectory) return std::nullopt;
  if (s.what != Stage::kRefused) return Fail(returnsCode ? 4 : 0, VORPEX_ERR_USB);
  if (s.reply == 1) return Fail(returnsCode ? 12 : 0, VORPEX_ERR_NODISK);
  return Ok();
}
Expect DeviceFormat(const Stage& s) {
  if (auto e = AreaReload(s, true)) return *e;
  switch (s.what) {
    case Stage::kNowhere:
      return Ok();
    case Stage::kNotSent:
      return Fail(4, VORPEX_ERR_USB);
    case Stage::kRefused:
      return Fail(10, kUntouched);  // shown, not recorded
    default:
      return Fail(4, kUntouched);
  }
}
// A copy from the player: its second reply missing counts as a refusal.
Expect FromPlayer(const Stage& s, bool callerMovesData = false) {
  if (s.what == Stage::kNoReply && s.reply == 2) return Fail(0, VORPEX_ERR_INTERNAL);
  if (s.what == Stage::kData && callerMovesData) return Fail(0, kUntouched);
  return Usual(s);
}
Expect ToPlayer(const Stage& s, bool callerMovesData = false) {
  if (s.what == Stage::kData && callerMovesData) return Fail(0, kUntouched);
  return Usual(s, VORPEX_ERR_DISKFULL);
}

// What an operation works on, and so what must be left whole on the PC.
enum class Pc {
  kNothing,
  kImage,       // a binary image it reads
  kHex,         // a HEX file it reads; one converted image left in the temporary folder a call
  kFromPlayer,  // a destination that exists before the copy: unchanged unless it completes
  kOpening,     // the same, created anew by the opening step; the caller removes it on failure
  kToPlayer,    // a source it reads; the player keeps no partial file
};

struct Context {
  void* chip = nullptr;  // the chip library's device
  std::string folder;    // the PC files of the case
  std::string Path(const char* name) const { return folder + "/" + name; }
};

struct Op {
  const char* name;
  bool chip;  // over the chip library's device (else the device session)
  Pc pc;
  uint64_t timeoutMs;  // the longest single wait of a transfer of this operation
  std::function<int32_t(Context&)> run;
  std::function<Expect(const Stage&)> expect;
  int32_t okResult = 1;  // what the operation returns when it went through
  int32_t area = -1;     // upgrades: the firmware area written
};

Bytes ReadPc(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void WritePc(const std::string& path, const Bytes& data) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
size_t Entries(const std::string& folder) {
  return fs::exists(folder) ? static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}))
                            : 0;
}
uint32_t PlayerFiles() {
  uint32_t n = 0;
  while (PlayerSim_ReadFile(0, n, nullptr, 0) != 0xFFFFFFFFu) ++n;
  return n;
}
Bytes PlayerFile(uint32_t index) {
  Bytes data(PlayerSim_ReadFile(0, index, nullptr, 0));
  PlayerSim_ReadFile(0, index, data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

const Bytes kSong = Pattern(kSongSize, 1);
const Bytes kImage = Pattern(kImageSize, 2);
const Bytes kOld = {'o', 'l', 'd'};
const char* kDestination = "copy.mp3";
const char* kSource = "track.mp3";
const char* kImageFile = "image.bin";
const char* kHexFile = "image.hex";

// A directory read's result, with one that went through but found no files told apart (2).
int32_t Files(uint32_t count, int32_t result) {
  return result == 1 && count == 0 ? 2 : result;
}

// The device library's opening steps, with the data moved as a caller does it: chunks of up
// to 16384 bytes in whole 512-byte units; on failure the caller stops the player and removes
// the file it was receiving.
int32_t DownloadByCaller(Context& c) {
  if (Usb_Download(nullptr, 0, c.Path(kSource).c_str(), 0) != 1) return 0;
  Bytes chunk(16384);
  for (size_t sent = 0; sent < kSong.size();) {
    const size_t real = std::min(chunk.size(), kSong.size() - sent);
    std::fill(chunk.begin(), chunk.end(), 0);
    std::copy_n(kSong.begin() + static_cast<long>(sent), real, chunk.begin());
    const auto wire = static_cast<uint32_t>((real + 511) / 512 * 512);
    if (Usb_SendUSB(nullptr, chunk.data(), wire) != static_cast<int32_t>(wire)) {
      Usb_CancelTransfer(nullptr);
      return 0;
    }
    sent += real;
  }
  return 1;
}
// cppcheck-suppress constParameterCallback ; the table's operations all take the same parameters
int32_t UploadByCaller(Context& c) {
  const std::string path = c.Path(kDestination);
  void* file = Usb_Upload(nullptr, nullptr, 0, 0, path.c_str(), nullptr, 0);
  if (file == nullptr) return 0;
  const uint32_t size = Usb_ListFileSize(0, 0, 0);
  bool received = true;
  for (uint32_t got = 0; received && got < size;) {
    const uint32_t real = std::min<uint32_t>(16384, size - got);
    got += real;
    received =
        Usb_WriteData(nullptr, file, (real + 511) / 512 * 512, real, got == size ? 1 : 0) == 0;
  }
  // A receive that brought less than asked still counts as a chunk: the size tells.
  if (received && fs::file_size(path) == size) return 1;
  Usb_CancelTransfer(nullptr);
  // The file is closed (by the failed receive or the last one), so it can go, on Windows too.
  return fs::remove(path) ? 0 : -1;
}

std::vector<Op> Operations() {
  const uint64_t kVizu10 = 3000, kChip = 3000, kChipUpgrade = 5000000;
  auto chipUpgrade = [](int32_t kind) {
    return [kind](Context& c) {
      return VORPEX_UpgradeFirmware(nullptr, c.chip, kind, 0, c.Path(kImageFile).c_str(), "st");
    };
  };
  auto deviceUpgrade = [](int32_t kind) {
    return [kind](Context& c) {
      return Usb_UpgradeFirmware(nullptr, nullptr, kind, 0, nullptr, c.Path(kHexFile).c_str());
    };
  };
  auto chipRefresh = [](Context& c) {
    std::vector<DirEntry> entries(256);
    uint32_t count = 256;
    return Files(count, VORPEX_Refresh(c.chip, 0, nullptr, entries.data(), &count));
  };
  auto deviceRefresh = [](Context&) {
    std::vector<uint8_t> entries(256 * 32);
    uint32_t info[5] = {};
    uint32_t count = 256;
    return Files(count, Usb_Refresh(nullptr, 0, info, entries.data(), &count));
  };
  auto usual = [](const Stage& s) { return Usual(s); };
  return {
      {"chip boot upgrade", true, Pc::kImage, kChipUpgrade, chipUpgrade(1), usual, 1, 0},
      {"chip codec upgrade", true, Pc::kImage, kChipUpgrade, chipUpgrade(0), usual, 1, 1},
      {"chip format", true, Pc::kNothing, kChip,
       [](Context& c) { return VORPEX_Format(nullptr, c.chip, 0); },
       [](const Stage& s) {  // the one success that clears the error state
         return s.what == Stage::kNowhere ? Expect{true, 0, 0} : Usual(s, VORPEX_ERR_FORMAT);
       }},
      {"chip refresh", true, Pc::kNothing, kChip, chipRefresh, DirectoryRead},
      {"chip delete", true, Pc::kNothing, kChip,
       [](Context& c) { return VORPEX_Delete(nullptr, c.chip, 0, 0, "one.mp3"); }, usual},
      {"chip rename", true, Pc::kNothing, kChip,
       [](Context& c) { return VORPEX_Rename(c.chip, 0, 0, "renamed.mp3"); }, usual},
      {"chip replace", true, Pc::kNothing, kChip,
       [](Context& c) { return VORPEX_Replace(c.chip, 0, 0, 1); }, usual},
      {"chip upload", true, Pc::kFromPlayer, kChip,
       [](Context& c) {
         return VORPEX_Upload(nullptr, c.chip, 0, 0, c.Path(kDestination).c_str(), nullptr,
                              kSongSize);
       },
       [](const Stage& s) { return FromPlayer(s); }},
      {"chip quiet upload", true, Pc::kFromPlayer, kChip,
       [](Context& c) {
         return VORPEX_UploadIndexFile(nullptr, c.chip, 0, 0, c.Path(kDestination).c_str(), nullptr,
                                       kSongSize);
       },
       [](const Stage& s) { return FromPlayer(s); }},
      {"chip download", true, Pc::kToPlayer, kChip,
       [](Context& c) {
         return VORPEX_DownloadElseFile(nullptr, c.chip, 0, c.Path(kSource).c_str());
       },
       [](const Stage& s) { return ToPlayer(s); }},
      {"chip quiet download", true, Pc::kToPlayer, kChip,
       [](Context& c) {
         return VORPEX_DownloadIndexFile(nullptr, c.chip, 0, c.Path(kSource).c_str());
       },
       [](const Stage& s) { return ToPlayer(s); }},

      {"device boot upgrade", false, Pc::kHex, kVizu10, deviceUpgrade(-1), usual, 1, 0},
      {"device codec upgrade", false, Pc::kHex, kVizu10, deviceUpgrade(0), usual, 1, 1},
      {"device format", false, Pc::kNothing, kVizu10,
       [](Context&) { return Usb_Format(nullptr, nullptr, 0); }, DeviceFormat, 0},
      {"device voice format", false, Pc::kNothing, kVizu10,
       [](Context&) { return Usb_VocaFormat(nullptr, nullptr, 0); }, DeviceFormat, 0},
      {"device MP3 format", false, Pc::kNothing, kVizu10,
       [](Context&) { return Usb_Mp3Format(nullptr, nullptr, 0); }, DeviceFormat, 0},
      {"device refresh", false, Pc::kNothing, kVizu10, deviceRefresh, DirectoryRead},
      {"device total memory", false, Pc::kNothing, kVizu10,
       [](Context&) { return Usb_TotalMemory(0) == 2048u * 16384u ? 1 : 0; },
       [](const Stage& s) { return AreaReload(s, false).value_or(Ok()); }},
      {"device delete", false, Pc::kNothing, kVizu10,
       [](Context&) { return Usb_Delete(nullptr, 0, 0); },
       [](const Stage& s) {
         switch (s.what) {
           case Stage::kNowhere:
             return Ok();
           case Stage::kNotSent:
             return Fail(1, VORPEX_ERR_USB);
           case Stage::kRefused:
             return Fail(3, VORPEX_ERR_INTERNAL);
           default:
             return Fail(2, VORPEX_ERR_USB);
         }
       },
       0},
      {"device replace", false, Pc::kNothing, kVizu10,
       [](Context&) { return Usb_Replace(nullptr, 0, 0, 1); }, usual},
      {"device download", false, Pc::kToPlayer, kVizu10,
       [](Context& c) {
         return Usb_DownloadIndexFile(nullptr, nullptr, 0, c.Path(kSource).c_str());
       },
       [](const Stage& s) { return ToPlayer(s); }},
      {"device download by the caller", false, Pc::kToPlayer, kVizu10, DownloadByCaller,
       [](const Stage& s) { return ToPlayer(s, true); }},
      {"device upload", false, Pc::kFromPlayer, kVizu10,
       [](Context& c) {
         return Usb_UploadIndexFile(nullptr, nullptr, 0, 0, c.Path(kDestination).c_str(), nullptr,
                                    kSongSize);
       },
       [](const Stage& s) { return FromPlayer(s); }},
      {"device upload by the caller", false, Pc::kOpening, kVizu10, UploadByCaller,
       [](const Stage& s) { return FromPlayer(s, true); }},
  };
}

// The faults, and where each can strike.
// Not armed: the player's memory fails, as a folder stands where its state is written.
constexpr int32_t kUnkept = 0;
enum class Where { kTransfers, kReplies, kWhole };
struct Fault {
  const char* name;
  int32_t kind;
  Where where;
  uint32_t value = 1;
};
const Fault kFaults[] = {
    {"unplug", PLAYERSIM_FAULT_UNPLUG, Where::kTransfers},
    {"refused reply", PLAYERSIM_FAULT_REFUSE_NEXT_REPLY, Where::kReplies},
    {"lost reply", PLAYERSIM_FAULT_DROP_NEXT_REPLY, Where::kReplies},
    {"short transfer", PLAYERSIM_FAULT_SHORT_TRANSFER, Where::kTransfers},
    {"stalled transfer", PLAYERSIM_FAULT_STALL_TRANSFER, Where::kTransfers},
    {"memory full", PLAYERSIM_FAULT_MEMORY_FULL, Where::kWhole},
    {"slow device", PLAYERSIM_FAULT_SLOW_DEVICE, Where::kWhole, 1500},  // within every time-out
    {"too slow a device", PLAYERSIM_FAULT_SLOW_DEVICE, Where::kWhole, 60000},  // beyond most
    {"change that cannot be kept", kUnkept, Where::kWhole},
};

// The fault-free run of an operation: its result, how long it took, and what each of its bulk
// transfers and each of its replies is.
struct Baseline {
  int32_t result = 0;
  uint64_t elapsedMs = 0;
  std::vector<Stage> transfers;  // as an unplug, short or stalled transfer there strikes it
  std::vector<Stage> replies;    // as a lost reply there strikes it (a refusal: kRefused)
};

Baseline Classify(const std::vector<WireEntry>& wire) {
  Baseline b;
  uint8_t command = 0;
  int replies = 0;
  for (const WireEntry& e : wire) {
    if (e.kind == PLAYERSIM_LOG_OUT) {
      if (const auto parsed = protocol::ParseCommandBlock(e.bytes)) {
        command = parsed->code;
        replies = 0;
        b.transfers.push_back({Stage::kNotSent, command});
      } else {
        b.transfers.push_back({Stage::kData, command});
      }
    } else if (e.kind == PLAYERSIM_LOG_IN) {
      // The player answers "R" with two OK replies, then the file's data.
      if (command == protocol::kCmdReadFile && replies == 2) {
        b.transfers.push_back({Stage::kData, command});
        continue;
      }
      b.transfers.push_back({Stage::kNoReply, command, ++replies});
      b.replies.push_back(b.transfers.back());
    }
  }
  return b;
}

// Where an unkept change shows: the first command changing the player, or a file's last block.
Stage KeepingStage(const Baseline& base) {
  Stage last;
  for (const Stage& s : base.transfers) {
    if (s.what == Stage::kData && s.code == protocol::kCmdWriteFile) last = s;
    for (uint8_t code :
         {protocol::kCmdFormat, protocol::kCmdMp3Format, protocol::kCmdVoiceFormat,
          protocol::kCmdDelete, protocol::kCmdRenameOrReplace, protocol::kCmdEraseArea}) {
      if (s.what == Stage::kNotSent && s.code == code) return {Stage::kRefused, code, 1};
    }
  }
  return last;
}

class FaultMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = FreshStateDir("pc");
    temp_ = FreshStateDir("temp");
    fs::create_directories(temp_);
    savedTmp_ = vorpex::platform::EnvironmentVariable("TMP");
    ASSERT_TRUE(vorpex::platform::SetEnvironment("TMP", temp_));
    OrvaneTesting_SetOsVersion(5, 1, 2600, 2);
  }
  void TearDown() override {
    Close();
    vorpex::platform::SetEnvironment("TMP", savedTmp_.value_or(""));
    OrvaneTesting_UseSystemVersion();
    PlayerSim_UseVirtualTime(0);
    PlayerSim_Detach();
  }

  // A fresh player with two files in M, the PC files of the operation, and the device open.
  void Fresh(const Op& op) {
    Close();
    ASSERT_TRUE(AttachFreshPlayer("faults"));
    PlayerSim_UseVirtualTime(1);
    for (const auto& [name, data] : {std::pair{"ONE     ", kSong}, {"TWO     ", Bytes(100, 7)}}) {
      vorpex::protocol::SlotFields f;
      std::copy_n(name, 8, f.name.begin());
      std::copy_n("MP3", 3, f.extension.begin());
      f.attributes = 0x20;
      f.size = static_cast<uint32_t>(data.size());
      const auto slot = vorpex::protocol::EncodeSlot(f);
      ASSERT_EQ(PlayerSim_AddSlot(0, slot.data(), data.data(), f.size), 1);
    }
    for (const auto& folder : {folder_, temp_}) {
      fs::remove_all(folder);
      fs::create_directories(folder);
    }
    context_.folder = folder_;
    if (op.pc == Pc::kImage) WritePc(context_.Path(kImageFile), kImage);
    if (op.pc == Pc::kHex) {
      std::ofstream(context_.Path(kHexFile), std::ios::binary)
          << HexOf(op.area == 0 ? 0 : 0x2000, kImage) + kHexEnd;
    }
    if (op.pc == Pc::kFromPlayer || op.pc == Pc::kOpening)
      WritePc(context_.Path(kDestination), kOld);
    if (op.pc == Pc::kToPlayer) WritePc(context_.Path(kSource), kSong);
    pcBefore_ = PcFiles();
    Open(op);
  }
  void Open(const Op& op) {
    VORPEX_SetTimeout(3000, 2000);
    if (op.chip) {
      context_.chip = VORPEX_Open();
      ASSERT_NE(context_.chip, nullptr);
    } else {
      ASSERT_EQ(Usb_Checking(0), 1);
      Usb_FileCount(reinterpret_cast<void*>(intptr_t{1}), 0);  // the listing knows the sizes
    }
  }
  void Close() {
    VORPEX_Close(context_.chip);
    context_.chip = nullptr;
    Usb_Close(0);
  }
  std::vector<std::pair<std::string, Bytes>> PcFiles() const {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& e : fs::directory_iterator(folder_)) {
      files.emplace_back(e.path().filename().string(), ReadPc(e.path().string()));
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  struct Run {
    int32_t result;
    uint64_t elapsedMs;
  };
  Run Call(const Op& op) {
    PlayerSim_ClearLog();
    VORPEX_SetError(kUntouched);
    const uint64_t start = PlayerSim_ElapsedMs();
    const int32_t result = op.run(context_);
    return {result, PlayerSim_ElapsedMs() - start};
  }

  // What a call must have left: its result and code, within its time-outs, the PC's files whole,
  // its windows closed; then, with the faults cleared and the player plugged in again, the same
  // operation goes through.
  void Check(const std::string& what, const Op& op, const Baseline& base, const Expect& e,
             const Run& run, uint64_t slowMs, bool replug, const RecordingUi& ui) {
    SCOPED_TRACE(what);
    const bool failed = !e.ok;
    EXPECT_EQ(run.result, failed ? e.result : e.readsNoFiles ? 2 : base.result);
    EXPECT_EQ(VORPEX_GetError(), e.error);
    EXPECT_LE(run.elapsedMs, base.elapsedMs + slowMs * base.transfers.size() + op.timeoutMs);
    for (const auto& w : ui.windows) EXPECT_FALSE(w->open) << w->caption;

    // A copy from the player that went through replaced its destination, and left nothing
    // beside it; the caller who gave up a copy of its own removed the file it was receiving.
    const auto after = PcFiles();
    auto expected = pcBefore_;
    if (!failed && (op.pc == Pc::kFromPlayer || op.pc == Pc::kOpening)) {
      expected = {{kDestination, kSong}};
    } else if (op.pc == Pc::kOpening && after.empty()) {
      expected.clear();
    }
    EXPECT_EQ(after, expected) << "the PC's files";
    if (op.pc == Pc::kToPlayer) {
      EXPECT_EQ(PlayerFiles(), failed ? 2u : 3u);  // none half-written
    }
    // No upgrade through the device library leaves its converted image behind.
    EXPECT_EQ(Entries(temp_), 0u);

    PlayerSim_ClearFaults();
    fs::remove_all(Blocker());
    if (replug) {
      PlayerSim_SetFault(PLAYERSIM_FAULT_UNPLUG, 0);
      Close();
      Open(op);
    }
    pcBefore_ = PcFiles();
    RecordingUi quiet;
    const Run again = Call(op);
    EXPECT_EQ(again.result, base.result) << "the next run after the fault";
    if (op.area >= 0) {
      Bytes area = Area(op.area);
      EXPECT_EQ(area.size(), (kImageSize + 511) / 512 * 512);
      area.resize(kImageSize);
      EXPECT_EQ(area, kImage);
    }
    if (op.pc == Pc::kToPlayer) {
      EXPECT_EQ(PlayerFile(2), kSong);
    }
    EXPECT_EQ(PlayerSim_Violations(), 0u);
    Close();
    uint32_t handles = 0, devices = 0;
    PlayerSim_DriverUse(&handles, &devices);
    EXPECT_EQ(handles + devices + PlayerSim_Vizu10Handles(), 0u);
  }

  static std::string Blocker() { return StateDirOf("faults") + "/player.txt.new"; }
  Context context_;
  std::string folder_, temp_;
  std::optional<std::string> savedTmp_;
  std::vector<std::pair<std::string, Bytes>> pcBefore_;
};

TEST_F(FaultMatrix, EveryOperationEveryFaultEveryStage) {
  const auto started = std::chrono::steady_clock::now();
  size_t cases = 0, stages = 0;
  const std::vector<Op> ops = Operations();
  for (const Op& op : ops) {
    // The fault-free run: what the exchange holds.
    Fresh(op);
    ASSERT_FALSE(HasFatalFailure()) << op.name;
    Baseline base;
    {
      RecordingUi ui;
      const Run run = Call(op);
      base = Classify(Exchange());
      base.result = run.result;
      base.elapsedMs = run.elapsedMs;
      ASSERT_EQ(run.result, op.okResult) << op.name;
      ASSERT_EQ(VORPEX_GetError(), op.expect(Stage{}).error) << op.name;
      ASSERT_FALSE(base.replies.empty()) << op.name;
    }
    std::cout << op.name << ": " << base.transfers.size() << " transfers, " << base.replies.size()
              << " replies\n";
    const bool writes =
        std::any_of(base.transfers.begin(), base.transfers.end(), [](const Stage& s) {
          return s.what == Stage::kNotSent && s.code == protocol::kCmdWriteFile;
        });
    for (const Fault& f : kFaults) {
      std::vector<Stage> where;
      switch (f.where) {
        case Where::kTransfers:
          where = base.transfers;
          break;
        case Where::kReplies:
          where = base.replies;
          break;
        case Where::kWhole:
          where = {Stage{}};
          break;
      }
      stages += where.size();
      for (size_t i = 0; i < where.size(); ++i) {
        Stage stage = where[i];
        if (f.kind == PLAYERSIM_FAULT_REFUSE_NEXT_REPLY) stage.what = Stage::kRefused;
        if (f.kind == PLAYERSIM_FAULT_MEMORY_FULL && writes) {
          stage = {Stage::kRefused, protocol::kCmdWriteFile, 1};
        }
        if (f.kind == PLAYERSIM_FAULT_SLOW_DEVICE && f.value > op.timeoutMs)
          stage = base.transfers[0];
        if (f.kind == kUnkept) stage = KeepingStage(base);
        const std::string what = std::string(op.name) + ", " + f.name + " at " +
                                 (f.where == Where::kWhole ? "every" : std::to_string(i + 1));
        Fresh(op);
        ASSERT_FALSE(HasFatalFailure()) << what;
        if (f.kind == kUnkept) {
          fs::create_directories(Blocker());
        } else if (f.where == Where::kWhole) {
          ASSERT_EQ(PlayerSim_SetFault(f.kind, f.value), 1);
        } else {
          const int32_t target =
              f.where == Where::kReplies ? PLAYERSIM_AT_REPLY : PLAYERSIM_AT_TRANSFER;
          ASSERT_EQ(PlayerSim_AimFault(f.kind, target, static_cast<uint32_t>(i + 1), 0, 0), 1);
        }
        RecordingUi ui;
        const Run run = Call(op);
        EXPECT_TRUE(f.kind != kUnkept || PlayerFiles() == 2u) << what << ": it holds what it held";
        Check(what, op, base, op.expect(stage), run,
              f.kind == PLAYERSIM_FAULT_SLOW_DEVICE ? f.value : 0, f.kind == PLAYERSIM_FAULT_UNPLUG,
              ui);
        ++cases;
        if (HasFatalFailure()) return;
      }
    }
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cout << "fault matrix: " << ops.size() << " operations x " << std::size(kFaults)
            << " faults, " << stages << " stages, " << cases << " cases in " << seconds << " s\n";
}

}  // namespace
