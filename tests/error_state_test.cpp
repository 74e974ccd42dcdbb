// The error state and its texts, through the library's exports.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "VORPEXUSB.h"
#include "chiplib/string_table.h"
#include "platform/error.h"
#include "support/recording_ui.h"

namespace {

using vorpex::test::RecordingUi;

constexpr uint32_t kTaskModalError = 0x2010;
constexpr uint32_t kWarning = 0x30;

TEST(ErrorState, StartsClearAndShowsNoError) {
  // Runs alone, in a process of its own (tests/CMakeLists.txt), before anything fails.
  RecordingUi ui;
  EXPECT_EQ(VORPEX_GetError(), 0);
  EXPECT_EQ(VORPEX_GetWindowsError(), 0u);
  EXPECT_EQ(VORPEX_DispError(0, 0), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "VORPEX No Error");
  EXPECT_FALSE(ui.boxes[0].hasCaption);
  EXPECT_EQ(ui.boxes[0].flags, kTaskModalError);
}

TEST(ErrorState, SetErrorKeepsTheWindowsCode) {
  EXPECT_EQ(VORPEX_SetWindowsError(5), 5u);
  EXPECT_EQ(VORPEX_GetError(), 6);
  EXPECT_EQ(VORPEX_SetError(4), 4);
  EXPECT_EQ(VORPEX_GetError(), 4);
  EXPECT_EQ(VORPEX_GetWindowsError(), 5u);
  EXPECT_EQ(VORPEX_SetError(-7), -7);  // any value is taken
  EXPECT_EQ(VORPEX_GetError(), -7);
}

TEST(ErrorState, SetWindowsErrorZeroTakesTheLastSystemError) {
  // A real failed system call inside the library: a source file in a folder that is not there.
  ASSERT_EQ(loc_ConvertHexToBin("no-such-dir/no-such-file.hex", VORPEX_TEST_TMP "/x.bin", 0), 0);
  EXPECT_EQ(VORPEX_SetWindowsError(0), 3u);  // the path was not found
  EXPECT_EQ(VORPEX_GetError(), 6);
  EXPECT_EQ(VORPEX_GetWindowsError(), 3u);

  EXPECT_EQ(VORPEX_SetWindowsError(1903), 1903u);
  EXPECT_EQ(VORPEX_GetWindowsError(), 1903u);
}

TEST(ErrorState, EachCodeShowsItsString) {
  // The texts callers see, written out: a fault in the table itself must fail here.
  const char* const texts[] = {"VORPEX No Error",
                               "VORPEXUSB_ERR_DEVICEDRIVER_OPEN",
                               "VORPEXUSB_ERR_DEVICEDRIVER_VERSION",
                               "VORPEXUSB_ERR_DEVICE_OPEN",
                               "VORPEXUSB_ERR_USB",
                               "VORPEXUSB_ERR_INTERNAL",
                               nullptr,  // code 6 shows the system's text instead
                               "VORPEXUSB_ERR_MEMORY_ALLOC",
                               "VORPEXUSB_ERR_FILE_TOOBIG",
                               "VORPEXUSB_ERR_DISKFULL",
                               "VORPEXUSB_ERR_FORMAT",
                               "VORPEXUSB_ERR_UNSUPPORTED",
                               "VORPEXUSB_ERR_NODISK",
                               "VORPIXUSB_ERR_INVALID_FILENAME",
                               "VORPIXUSB_ERR_USERBREAK"};
  RecordingUi ui;
  for (int32_t code = 0; code <= 14; ++code) {
    if (texts[code] == nullptr) continue;
    ui.boxes.clear();
    VORPEX_DispError(code, 0);
    ASSERT_EQ(ui.boxes.size(), 1u) << "code " << code;
    EXPECT_EQ(ui.boxes[0].text, texts[code]) << "code " << code;
    EXPECT_EQ(ui.boxes[0].flags, kTaskModalError);
  }
}

TEST(ErrorState, CodeSixWithoutACodeShowsTheLastSystemError) {
  RecordingUi ui;
  // A real failed system call inside the library: a folder that is not there.
  ASSERT_EQ(loc_ConvertHexToBin("no-such-dir/no-such-file.hex", VORPEX_TEST_TMP "/y.bin", 0), 0);
  EXPECT_EQ(VORPEX_DispError(6, 0), 0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, vorpex::platform::SystemErrorText(3).value_or("?"));
#ifndef _WIN32
  EXPECT_EQ(ui.boxes[0].text, "The system cannot find the path specified.\r\n");
#endif
  EXPECT_EQ(ui.boxes[0].flags, kWarning);
}

TEST(ErrorState, CodesWithoutAStringAreUnknown) {
  RecordingUi ui;
  VORPEX_DispError(15, 0);
  VORPEX_DispError(-3, 0);
  VORPEX_DispError(3000, 0);  // a window title, not an error: it must still be a string of ours
  ASSERT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[0].text, "VORPEX Unknown Error(15)");
  EXPECT_EQ(ui.boxes[1].text, "VORPEX Unknown Error(-3)");
  EXPECT_EQ(ui.boxes[2].text, "Uploading...");
}

TEST(ErrorState, CodeSixShowsTheSystemText) {
  RecordingUi ui;
  EXPECT_EQ(VORPEX_DispError(6, 2), 0);
  EXPECT_EQ(VORPEX_DispError(6, 1903), 0);
  EXPECT_EQ(VORPEX_DispError(6, 0xDEAD0001u), 0);
  ASSERT_EQ(ui.boxes.size(), 3u);
  // The system's own words (Windows and Wine word some of them differently).
  EXPECT_EQ(ui.boxes[0].text, vorpex::platform::SystemErrorText(2).value_or("?"));
  EXPECT_EQ(ui.boxes[1].text, vorpex::platform::SystemErrorText(1903).value_or("?"));
#ifndef _WIN32
  EXPECT_EQ(ui.boxes[0].text, "The system cannot find the file specified.\r\n");
  EXPECT_EQ(ui.boxes[1].text, "The specified form size is invalid.\r\n");
#endif
  EXPECT_EQ(ui.boxes[2].text, "System Internal Errors(null)");
  for (const auto& box : ui.boxes) {
    EXPECT_EQ(box.flags, kWarning);
    EXPECT_FALSE(box.hasCaption);
  }
}

TEST(ErrorState, ModuleHandleIsRecordedAtLoad) {
  EXPECT_NE(VORPEX_GetModuleHandle(), nullptr);
}

// The string table that Linux builds use must say exactly what the resource script says.
TEST(StringTable, MatchesTheResourceScript) {
  std::map<std::string, uint32_t> ids;
  {
    std::ifstream header(VORPEX_SOURCE_DIR "/chiplib/resource_ids.h");
    ASSERT_TRUE(header) << "resource_ids.h";
    std::string line;
    std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    std::smatch m;
    while (std::getline(header, line)) {
      if (std::regex_search(line, m, define)) ids[m[1]] = static_cast<uint32_t>(std::stoul(m[2]));
    }
  }
  std::ifstream script(VORPEX_SOURCE_DIR "/chiplib/VORPEXUSB.rc");
  ASSERT_TRUE(script) << "VORPEXUSB.rc";
  std::map<uint32_t, std::string> fromScript;
  std::string line;
  bool inTable = false;
  std::regex entry(R"(^\s*(\w+)\s+"([^"]*)\"\s*$)");
  std::smatch m;
  while (std::getline(script, line)) {
    if (line.rfind("STRINGTABLE", 0) == 0) inTable = true;
    if (inTable && line.rfind("END", 0) == 0) inTable = false;
    if (!inTable || !std::regex_match(line, m, entry)) continue;
    std::string key = m[1];
    uint32_t id = ids.count(key) ? ids[key] : static_cast<uint32_t>(std::stoul(key));
    fromScript[id] = m[2];
  }
  std::map<uint32_t, std::string> fromTable;
  for (const auto& e : vorpex::chip::StringTable()) fromTable[e.id] = e.text;
  EXPECT_EQ(fromScript, fromTable);
  EXPECT_EQ(fromTable.size(), 20u);
}

}  // namespace
