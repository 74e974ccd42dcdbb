// _loc_ConvertHexToBin on real files: HEX written by the reference tools, and damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "VORPEXUSB.h"
#include "platform/file.h"

namespace {

const std::string kFixtures = VORPEX_HEX_FIXTURES;

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string OutPath(const std::string& name) {
  return std::string(VORPEX_TEST_TMP) + "/" + name;
}

TEST(ConvertHexToBin, GivesBackWhatTheReferenceToolsEncoded) {
  std::ifstream manifest(kFixtures + "/manifest.txt");
  ASSERT_TRUE(manifest) << "fixtures missing in " << kFixtures;
  std::string name;
  uint32_t base = 0;
  int cases = 0;
  while (manifest >> name >> base) {
    std::string out = OutPath(name + ".out");
    ASSERT_EQ(loc_ConvertHexToBin((kFixtures + "/" + name + ".hex").c_str(), out.c_str(), base), 1)
        << name;
    auto want = ReadAll(kFixtures + "/" + name + ".bin");
    auto got = ReadAll(out);
    EXPECT_EQ(got.size(), want.size()) << name;
    EXPECT_TRUE(got == want) << name << " differs";
    std::remove(out.c_str());  // NOLINT(cert-err33-c): a leftover is overwritten next run
    ++cases;
  }
  EXPECT_GE(cases, 9);
}

TEST(ConvertHexToBin, MissingSourceCreatesNothing) {
  std::string out = OutPath("missing.out");
  std::remove(out.c_str());  // NOLINT(cert-err33-c): absent is what the test needs; checked below
  EXPECT_EQ(loc_ConvertHexToBin(OutPath("no-such.hex").c_str(), out.c_str(), 0), 0);
  EXPECT_FALSE(vorpex::platform::FileExists(out));
}

TEST(ConvertHexToBin, UnwritableDestinationFails) {
  std::string in = OutPath("tiny.hex");
  WriteText(in, ":0100000055AA\n:00000001FF\n");
  EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), OutPath("no-such-dir/x.bin").c_str(), 0), 0);
  EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), VORPEX_TEST_TMP, 0), 0);  // a folder
}

TEST(ConvertHexToBin, DamagedFilesLeaveNoImageBehind) {
  std::string out = OutPath("damaged.out");
  const std::string cases[] = {
      ":0100000055AA\n:0100010066FF\n",       // wrong checksum
      ":0100000055AA\n:01000100X698\n",       // not a hex digit
      ":0100000055AA\n:10000100",             // cut off by the end of the file
      ":0100000055AA\nnotes\n:0100010066\n",  // a record after a stray line
      ":02000004FFFFFC\n:0100000055AA\n",     // far beyond the largest image
      // two records on one line
      ":0100000055AA:010001006698\n:00000001FF\n",
  };
  for (const std::string& text : cases) {
    std::string in = OutPath("damaged.hex");
    WriteText(in, text);
    WriteText(out, "an older image");  // replaced or removed, never left half-written
    EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 0), 0) << text;
    EXPECT_FALSE(vorpex::platform::FileExists(out)) << text;
  }
}

TEST(ConvertHexToBin, RecordsOutOfOrderAndOverlappingLandAtTheirOffsets) {
  // Through the file's write window: a jump back, a jump far ahead (past the window), a record
  // that overwrites the fill behind it, and a later record over an earlier one; base 0x2000.
  std::string in = OutPath("order.hex"), out = OutPath("order.out");
  WriteText(in,
            ":0220100011229B\n"  // 0x2010: 11 22
            ":02200000334467\n"  // 0x2000: 33 44, back before it
            ":01100000559A\n"    // below the base: no trace
            ":022010007788CF\n"  // 0x2010 again: the later bytes stay
            ":02000004000AF0\n"  // extension 0x000A0000
            ":01000000AA55\n"    // 0xA0000: AA, far beyond the write window
            ":020000040000FA\n"
            ":01200800993E\n"  // 0x2008: into the fill written before
            ":00000001FF\n");
  ASSERT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 0x2000), 1);
  std::vector<char> want(0xA0000 - 0x2000 + 1, 0);
  want[0] = 0x33;
  want[1] = 0x44;
  want[8] = static_cast<char>(0x99);
  want[0x10] = 0x77;
  want[0x11] = static_cast<char>(0x88);
  want[0xA0000 - 0x2000] = static_cast<char>(0xAA);
  auto got = ReadAll(out);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
}

TEST(ConvertHexToBin, CutShortFileConvertsAndTheSourceIsNeverItsOwnDestination) {
  // Without an end-of-file record the records read so far make the image.
  std::string in = OutPath("noend.hex"), out = OutPath("noend.out");
  WriteText(in, ":0100000055AA\n");
  ASSERT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 0), 1);
  EXPECT_EQ(ReadAll(out), std::vector<char>{0x55});

  // The same file under another spelling of its path is refused before it is emptied.
  EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), (VORPEX_TEST_TMP "/./noend.hex"), 0), 0);
  EXPECT_EQ(ReadAll(in).size(), 14u);
}

#ifndef _WIN32
TEST(ConvertHexToBin, DestinationHeldByAnotherIsLeftAsItWas) {
  std::string in = OutPath("held.hex"), out = OutPath("held.out");
  WriteText(in, ":0100000055AA\n:00000001FF\n");
  WriteText(out, "an image in use");
  auto holder = vorpex::platform::File::Open(out, vorpex::platform::Access::kRead,
                                             vorpex::platform::Share::kNone,
                                             vorpex::platform::Disposition::kOpenExisting);
  ASSERT_TRUE(holder);
  EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 0), 0);
  holder->Close();
  auto left = ReadAll(out);
  EXPECT_EQ(std::string(left.begin(), left.end()), "an image in use");
}
#endif

TEST(ConvertHexToBin, EmptyOrForeignTextGivesAnEmptyImage) {
  std::string in = OutPath("empty.hex"), out = OutPath("empty.out");
  WriteText(in, "");
  EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 8192), 1);
  EXPECT_TRUE(vorpex::platform::FileExists(out));
  EXPECT_TRUE(ReadAll(out).empty());
  WriteText(in, "this is not a firmware file\n");
  EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 8192), 1);
  EXPECT_TRUE(ReadAll(out).empty());
}

}  // namespace
