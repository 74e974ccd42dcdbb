// Windows only: our INI reader and writer (the one the Linux build uses) against the system's
// GetPrivateProfileStringA and WritePrivateProfileStringA, on the same files.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "protocol/ini_text.h"

namespace vorpex::protocol {
namespace {

namespace fs = std::filesystem;

class ProfileCompare : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::absolute(fs::path(VORPEX_TEST_TMP) / "profile_compare");
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // A file of its own for every use: the system may cache what it has read.
  std::string NewFile(const std::string& text) {
    std::string name = std::to_string(++count_);
    name += ".ini";
    std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string SystemRead(const std::string& path, const char* section, const char* key) {
    char buffer[100] = {};
    DWORD n = ::GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, path.c_str());
    return std::string(buffer, n);
  }
  // What the Linux build reads and writes: the same pure functions over the file's text.
  static std::string OurRead(const std::string& text, const char* section, const char* key) {
    return ProfileValue(text, section, key, 100);
  }

  fs::path folder_;
  int count_ = 0;
};

// Settings files as packages may bring them: the usual layout, and what a hand-edited one holds.
const char* const kTexts[] = {
    "[BOOTINFO]\r\nBOOT UPGRADE=0\r\nBOOT FILENAME=boot.hex\r\nBOOT VERSION=1.0\r\n"
    "[MAINDINFO]\r\nMAIND FILENAME=codec.hex\r\nMAIND VERSION=2.0\r\n",
    // Blanks and case.
    "  [ bootinfo ]  \r\n  boot upgrade  =  3  \r\nBoot Version=\"quoted value\"\r\n",
    "[BOOTINFO]\r\n\tBOOT UPGRADE\t=\t4\t\r\nBOOT  VERSION=two blanks\r\n",
    // Repeated keys and sections.
    "[BOOTINFO]\r\nBOOT UPGRADE=first\r\nBOOT UPGRADE=second\r\n[BOOTINFO]\r\nBOOT VERSION=x\r\n",
    // Unix line ends, no line end at the end, an empty value.
    "[BOOTINFO]\nBOOT UPGRADE=1\nBOOT VERSION=",
    // Quotes: a pair of either kind is taken off; anything else stays.
    "[BOOTINFO]\r\nBOOT UPGRADE='2'\r\nBOOT VERSION=\"open\r\nBOOT FILENAME=\"a\" b\r\n"
    "[MAINDINFO]\r\nMAIND VERSION=\"mixed'\r\nMAIND FILENAME=\"\"\r\n",
    // Comments, blank lines, a line without "=", "=" in the value.
    "; package\r\n\r\n[BOOTINFO]\r\n; BOOT UPGRADE=9\r\nBOOT UPGRADE=5\r\n\r\nBOOT FILENAME\r\n"
    "BOOT VERSION=a=b\r\n[MAINDINFO]\r\nMAIND VERSION=v ; not a comment\r\n",
    // Keys before any section, a section header with text after it.
    "BOOT UPGRADE=0\r\n[BOOTINFO] trailing\r\nBOOT UPGRADE=6\r\n",
};

TEST_F(ProfileCompare, ReadsTheSameValues) {
  const std::string longValue(120, 'v');
  std::vector<std::string> texts(std::begin(kTexts), std::end(kTexts));
  texts.push_back("[BOOTINFO]\r\nBOOT VERSION=" + longValue + "\r\n");
  for (const std::string& text : texts) {
    for (const char* section : {"BOOTINFO", "bootinfo", "MAINDINFO", "NONE"}) {
      for (const char* key : {"BOOT UPGRADE", "boot version", "BOOT FILENAME", "MAIND VERSION"}) {
        SCOPED_TRACE(::testing::Message() << text << " / " << section << " / " << key);
        EXPECT_EQ(OurRead(text, section, key), SystemRead(NewFile(text), section, key));
      }
    }
  }
}

TEST_F(ProfileCompare, MissingFileReadsEmptyBothWays) {
  std::string path = (folder_ / "absent.ini").string();
  EXPECT_EQ(SystemRead(path, "BOOTINFO", "BOOT UPGRADE"), "");
  EXPECT_EQ(OurRead("", "BOOTINFO", "BOOT UPGRADE"), "");
}

TEST_F(ProfileCompare, WritesTheSameFile) {
  struct Write {
    const char* section;
    const char* key;
    const char* value;
  };
  const Write writes[] = {{"BOOTINFO", "BOOT UPGRADE", "1"},  {"bootinfo", "boot upgrade", "1"},
                          {"BOOTINFO", "NEW KEY", "v"},       {"MAINDINFO", "MAIND VERSION", "3.0"},
                          {"MAINDINFO", "MAIND VERSION", ""}, {"NEWSECTION", "K", "v"}};
  // The system rewrites the whole file in its own layout (names trimmed, blank lines dropped,
  // "\r\n" line ends); ours changes one line and keeps every other byte. For a file already
  // in that layout both give the same file; for any other, the same values.
  for (size_t t = 0; t < std::size(kTexts); ++t) {
    const std::string text = kTexts[t];
    const bool canonical = t == 0 || t == 3 || t == 5;
    for (const Write& w : writes) {
      SCOPED_TRACE(::testing::Message() << text << " / " << w.section << " / " << w.key);
      std::string path = NewFile(text);
      ASSERT_TRUE(::WritePrivateProfileStringA(w.section, w.key, w.value, path.c_str()));
      const std::string ours = IniAssign(text, w.section, w.key, w.value);
      const std::string theirs = Contents(path);
      if (canonical) {
        EXPECT_EQ(ours, theirs);
      }
      for (const char* section : {"BOOTINFO", "MAINDINFO", "NEWSECTION"}) {
        for (const char* key : {"BOOT UPGRADE", "BOOT VERSION", "BOOT FILENAME", "NEW KEY",
                                "MAIND VERSION", "MAIND FILENAME", "K"}) {
          SCOPED_TRACE(::testing::Message() << section << " / " << key);
          EXPECT_EQ(OurRead(ours, section, key), OurRead(theirs, section, key));
          EXPECT_EQ(OurRead(ours, section, key), SystemRead(NewFile(ours), section, key));
        }
      }
    }
  }
  // A file that does not exist yet.
  std::string path = (folder_ / "new.ini").string();
  ASSERT_TRUE(::WritePrivateProfileStringA("BOOTINFO", "BOOT UPGRADE", "1", path.c_str()));
  EXPECT_EQ(IniAssign("", "BOOTINFO", "BOOT UPGRADE", "1"), Contents(path));
}

}  // namespace
}  // namespace vorpex::protocol
