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
    std::remove(out.c_str());
    ++cases;
  }
  EXPECT_GE(cases, 9);
}

TEST(ConvertHexToBin, MissingSourceCreatesNothing) {
  std::string out = OutPath("missing.out");
  std::remove(out.c_str());
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
  };
  for (const std::string& text : cases) {
    std::string in = OutPath("damaged.hex");
    WriteText(in, text);
    WriteText(out, "an older image");  // replaced or removed, never left half-written
    EXPECT_EQ(loc_ConvertHexToBin(in.c_str(), out.c_str(), 0), 0) << text;
    EXPECT_FALSE(vorpex::platform::FileExists(out)) << text;
  }
}

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
