// Short names in both forms: a double-byte code page and UTF-8.
#include "protocol/short_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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
      // A trail byte 0x5C is part of its character, never a folder separator.
      {"C:\\music\\ab\x83\x5C.mp3", "ab\x83\x5C.mp3"},
      {"C:\\\x83\x5C\\cd\x83\x5C", "cd\x83\x5C."},
      {"ab.\x83.ext", "ab."},  // nor is a trail byte "." the extension's dot on the player
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
  // One rule for a name with nothing before its dot, however the path in front is written.
  for (const std::string path : {".hidden", "./.hidden", "/home/u/.mp3"}) {
    EXPECT_TRUE(HasEmptyBaseNameUtf8(path)) << path;
  }
  EXPECT_FALSE(HasEmptyBaseNameUtf8("./a.hidden"));
  EXPECT_FALSE(HasEmptyBaseName("C:\\ab\x83\x5C.mp3", ShiftJisLead));  // 0x5C is a trail byte
}

TEST(ShortName, UniqueNameNumbersTakenOnes) {
  struct Case {
    std::string name;
    std::set<std::string> taken;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"song.mp3", {}, "song.mp3"},
      {"Artist -.mp3", {"Artist -.mp3"}, "Artist~1.mp3"},
      {"Artist -.mp3", {"Artist -.mp3", "Artist~1.mp3", "Artist~2.mp3"}, "Artist~3.mp3"},
      {"ab.txt", {"ab.txt"}, "ab~1.txt"},
      {"README.", {"README."}, "README~1."},
      {"abcdefgh.mp3",
       {"abcdefgh.mp3", "abcdef~1.mp3", "abcdef~2.mp3", "abcdef~3.mp3", "abcdef~4.mp3",
        "abcdef~5.mp3", "abcdef~6.mp3", "abcdef~7.mp3", "abcdef~8.mp3", "abcdef~9.mp3"},
       "abcde~10.mp3"},                               // two digits leave five bytes of base
      {"aaaaaü.mp3", {"aaaaaü.mp3"}, "aaaaa~1.mp3"},  // ü (two bytes) whole or not at all
      {"a日本.mp3", {"a日本.mp3"}, "a日~1.mp3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UniqueShortName(
                  c.name, [&](std::string_view n) { return c.taken.count(std::string(n)) != 0; }),
              c.expected)
        << c.name;
  }
  // In a double-byte code page a pair is cut whole.
  EXPECT_EQ(UniqueShortName(
                "abcde\x82\xA0.x", [](std::string_view n) { return n == "abcde\x82\xA0.x"; },
                ShiftJisLead),
            "abcde~1.x");
}

}  // namespace
