#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorpex::app {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::path(VORPEX_TEST_TMP) /
        ("ini_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ini_.INIFile((folder_ / "CodecFileInfo.ini").string());
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Put(const std::string& text) { std::ofstream(ini_.INIFile(), std::ios::binary) << text; }
  std::string Contents() const {
    std::ifstream in(ini_.INIFile(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path folder_;
  CIniFile ini_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(ini_.GetFile("BOOTINFO", "BOOT UPGRADE"), "");
  Put("[BOOTINFO]\nBOOT VERSION=1.0\n");
  EXPECT_EQ(ini_.GetFile("BOOTINFO", "BOOT UPGRADE"), "");
  EXPECT_EQ(ini_.GetFile("MAINDINFO", "BOOT VERSION"), "");
  EXPECT_EQ(ini_.GetFile("bootinfo", "boot version"), "1.0");
}

TEST_F(IniFileTest, ValuesAreCutTo99Characters) {
  std::string v99(99, 'a'), v100(99, 'b');
  v100 += 'c';
  Put("[S]\nA=" + v99 + "\nB=" + v100 + "\nC=" + std::string(300, 'x') + "\n");
  EXPECT_EQ(ini_.GetFile("S", "A"), v99);
  EXPECT_EQ(ini_.GetFile("S", "B"), std::string(99, 'b'));
  EXPECT_EQ(ini_.GetFile("S", "C"), std::string(99, 'x'));
}

TEST_F(IniFileTest, WriteCreatesTheFileAndReadsBack) {
  ini_.WriteFile("BOOTINFO", "BOOT UPGRADE", "1");
  EXPECT_EQ(ini_.GetFile("BOOTINFO", "BOOT UPGRADE"), "1");
  std::string text = Contents();
  std::erase(text, '\r');  // Windows ends the lines of a new file with CR LF
  EXPECT_EQ(text, "[BOOTINFO]\nBOOT UPGRADE=1\n");
}

TEST_F(IniFileTest, WriteChangesOneValueAndLeavesNothingBeside) {
  const std::string before =
      "[BOOTINFO]\r\nBOOT UPGRADE=0\r\nBOOT FILENAME=b.hex\r\n; note\r\n[MAINDINFO]\r\n"
      "MAIND FILENAME=c.hex\r\n";
  Put(before);
  ini_.WriteFile("BOOTINFO", "BOOT UPGRADE", "1");
  std::string expected = before;
  expected.replace(expected.find("UPGRADE=0"), 9, "UPGRADE=1");
  EXPECT_EQ(Contents(), expected);
  // The new text was written beside the file and renamed over it: no stray file is left.
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folder_)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(IniFileTest, WriteIntoAMissingFolderCreatesNothing) {
  ini_.INIFile((folder_ / "absent" / "CodecFileInfo.ini").string());
  EXPECT_FALSE(ini_.WriteFile("S", "K", "v"));
  EXPECT_FALSE(fs::exists(folder_ / "absent"));
  EXPECT_EQ(ini_.GetFile("S", "K"), "");
}

// The file's permissions hold for whoever runs the program (root too: no write bit for anyone
// means read-only), and a link is written through to its target.
TEST_F(IniFileTest, WriteRespectsReadOnlyFilesAndLinks) {
  std::vector<std::pair<bool, bool>> rows = {{false, true}, {false, false}};  // link, writable
#ifndef _WIN32
  rows.insert(rows.end(), {{true, true}, {true, false}});
#endif
  const fs::path target = folder_ / "target.ini";
  const std::string before = "[BOOTINFO]\r\nBOOT UPGRADE=0\r\n";
  for (const auto& [link, writable] : rows) {
    SCOPED_TRACE(std::string(link ? "link to a " : "") + (writable ? "writable" : "read-only"));
    fs::remove(ini_.INIFile());
    std::ofstream(target, std::ios::binary) << before;
    fs::permissions(target, fs::perms::owner_read |
                                (writable ? fs::perms::owner_write : fs::perms::group_read));
    link ? fs::create_symlink(target.filename(), ini_.INIFile())
         : fs::rename(target, ini_.INIFile());
    EXPECT_EQ(ini_.WriteFile("BOOTINFO", "BOOT UPGRADE", "1"), writable);
    EXPECT_EQ(Contents(), writable ? "[BOOTINFO]\r\nBOOT UPGRADE=1\r\n" : before);
    EXPECT_EQ(fs::is_symlink(ini_.INIFile()), link);
    fs::permissions(link ? target : fs::path(ini_.INIFile()), fs::perms::owner_all);
  }
}

}  // namespace
}  // namespace vorpex::app
