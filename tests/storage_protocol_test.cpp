// Short names, the directory walk, the memory figures and the chunks of a file copy.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "protocol/dir_slot.h"
#include "protocol/short_name.h"
#include "protocol/transfer_chunk.h"
#include "protocol/write_header.h"

using namespace vorpex::protocol;

namespace {

// A code page whose lead bytes are 0x81 to 0x9F and 0xE0 to 0xFC, as Shift-JIS has them.
bool ShiftJisLead(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(ShortName, CodePageRule) {
  struct Case {
    std::string path;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"C:\\music\\", "vorpex."},
      {"C:\\music\\Readme", "Readme."},
      {"C:\\music\\LongFileName", "LongFile."},
      {"C:\\music\\song.mpeg", "song.mpe"},
      {"song.mp3", "song.mp3"},
      {"dir/a.b.c", "a.b.c"},  // earlier dots stay in the base name
      {".profile", std::nullopt},
      {"C:\\music\\.mp3", "vorpex.mp3"},
      {"", "vorpex."},
      // A double-byte pair that would straddle the 8-byte or 3-byte limit stops the copy.
      {"abcdefg\x82\xA0.x\x82\xA0z", "abcdefg.x\x82\xA0"},
      {"\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0.mp3", "\x82\xA0\x82\xA0\x82\xA0\x82\xA0.mp3"},
      {"ab.\x82", "ab."},  // a lead byte without its trail byte is not copied
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeShortName(c.path, ShiftJisLead), c.expected) << c.path;
  }
  // Without double-byte characters every byte is a character.
  EXPECT_EQ(MakeShortName("abcdefg\x82\xA0.mp3", nullptr), "abcdefg\x82.mp3");
}

TEST(ShortName, Utf8NeverSplitsACharacter) {
  struct Case {
    std::string path;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/home/u/Müller.mp3", "Müller.mp3"},     // ü is two bytes: 7 in all
      {"/home/u/Müllerin.mp3", "Mülleri.mp3"},  // a ninth byte would not fit
      {"/home/u/aaaaaaa€.mp3", "aaaaaaa.mp3"},  // € is three bytes
      {"/home/u/日本語の歌.mp3", "日本.mp3"},   // 6 of 8 bytes
      {"/home/u/song.é€", "song.é"},            // the extension keeps whole characters
      {"/home/u/😀😀.ogg", "😀😀.ogg"},             // four-byte characters
      {"/tmp/ab\xC3", "ab\xC3."},               // a broken sequence is a byte of its own
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeShortNameUtf8(c.path), c.expected) << c.path;
  }
  EXPECT_EQ(MakeShortNameUtf8(".bashrc"), std::nullopt);
}

TEST(TransferChunk, FullChunksAsTheyAreTheLastRoundedUpTo512) {
  struct Case {
    uint64_t size;
    size_t chunk;
    std::vector<std::pair<size_t, size_t>> pieces;  // file length, wire length
  };
  const std::vector<Case> cases = {
      {0, 16384, {}},
      {1000, 16384, {{1000, 1024}}},
      {16384, 16384, {{16384, 16384}}},
      {16385, 16384, {{16384, 16384}, {1, 512}}},
      {1536, 512, {{512, 512}, {512, 512}, {512, 512}}},
      {1537, 1024, {{1024, 1024}, {513, 1024}}},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<size_t, size_t>> pieces;
    for (uint64_t done = 0; done < c.size;) {
      const Chunk chunk = NextChunk(c.size, done, c.chunk);
      pieces.emplace_back(chunk.fileLength, chunk.wireLength);
      done += chunk.fileLength;
    }
    EXPECT_EQ(pieces, c.pieces) << c.size << " in " << c.chunk;
  }
}

TEST(WriteHeader, DosDateAndTimeOfALocalTime) {
  // 2026-03-07 13:45:59: date (46 << 9) | (3 << 5) | 7, time (13 << 11) | (45 << 5) | 29.
  EXPECT_EQ(PackDosDate(2026, 3, 7), 0x5C67);
  EXPECT_EQ(PackDosTime(13, 45, 59), 0x6DBD);
  EXPECT_EQ(PackDosDate(1980, 1, 1), 0x0021);
  EXPECT_EQ(PackDosDate(2108, 1, 1), 0x0021);  // years since 1980 modulo 128
}

TEST(DirSlot, WalkWritesUpToTheLimitAndCountsEveryFile) {
  std::vector<uint8_t> block(512, 0);
  auto put = [&](size_t slot, const char* name, uint8_t attributes) {
    SlotFields f;
    std::copy_n(name, 8, f.name.begin());
    f.extension = {'M', 'P', '3'};
    f.attributes = attributes;
    f.size = static_cast<uint32_t>(slot * 100);
    const Slot s = EncodeSlot(f);
    std::copy(s.begin(), s.end(), block.begin() + static_cast<ptrdiff_t>(slot * kSlotSize));
  };
  put(0, "ONE     ", kAttrArchive);
  put(1, "LFN     ", kAttrLongName);
  put(2, "TWO     ", kAttrArchive);
  put(3, "\xE5GONE   ", kAttrArchive);
  put(4, "VOLUME  ", kAttrVolume);
  put(5, "FOLDER  ", kAttrDirectory);
  put(15, "THREE   ", 0x01);

  std::vector<uint8_t> entries(3 * kDirEntrySize, 0xAA);
  uint32_t files = 0;
  ReadDirectoryBlock(block, 2, entries, files);
  EXPECT_EQ(files, 3u);
  EXPECT_EQ(std::string(entries.begin(), entries.begin() + 3), "ONE");
  EXPECT_EQ(std::string(entries.begin() + 32, entries.begin() + 35), "TWO");
  EXPECT_EQ(entries[32 + 24], 200);                // size of slot 2
  EXPECT_EQ(entries[64], 0xAA);                    // the third file is beyond the limit
  ReadDirectoryBlock(block, 100, entries, files);  // numbering goes on across blocks
  EXPECT_EQ(files, 6u);

  const MemoryInfo info = MakeMemoryInfo({5, 17, 0x0140, 16});
  EXPECT_EQ(info, (MemoryInfo{5, 0, 0x0140, 16, 0}));
}

}  // namespace
