// Fitting a text into a line of a window, with each character one unit wide.
#include "app/text_fit.h"

#include <gtest/gtest.h>

namespace vorpex::app {
namespace {

double Characters(std::string_view text) {
  double count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

TEST(ShortenMiddle, KeepsTheFileNameAndTheFoldersNextToIt) {
  struct Row {
    const char* text;
    double room;
    const char* shown;
  };
  const Row rows[] = {
      {"/home/ann/BootCodec/codec.hex", 29, "/home/ann/BootCodec/codec.hex"},  // fits
      {"/home/ann/pkg/BootCodec/codec.hex", 30, "/home/…/BootCodec/codec.hex"},
      {"/home/ann/pkg/BootCodec/codec.hex", 21, "/home/ann/…/codec.hex"},
      {"/home/ann/pkg/BootCodec/codec.hex", 20, "/home/…/codec.hex"},
      {"/home/ann/pkg/BootCodec/codec.hex", 16, "…/codec.hex"},
      {"C:\\Nebrisk\\pkg\\BootCodec\\sub\\boot.hex", 28, "C:\\…\\BootCodec\\sub\\boot.hex"},
      {"/tmp/a-very-long-firmware-name.hex", 11, "a-ver…e.hex"},
      {"Firmware Upgrading...wait please", 20, "Firmware U…it please"},
      {"/ä/ö/üüüüüüüüüü", 7, "üüü…üüü"},
  };
  for (const Row& row : rows) {
    const std::string shown = ShortenMiddle(row.text, row.room, Characters);
    EXPECT_EQ(shown, row.shown) << row.text << " in " << row.room;
    EXPECT_LE(Characters(shown), row.room) << row.text;
  }
  EXPECT_EQ(TrimLineEnd("The data is invalid.\r\n"), "The data is invalid.");
}

TEST(WrapText, BreaksAtBlanksAndCutsWordsWiderThanTheRoom) {
  struct Row {
    const char* text;
    double room;
    const char* shown;
  };
  const Row rows[] = {
      {"fits on one line", 16, "fits on one line"},
      {"The firmware file is damaged.", 12, "The firmware\nfile is\ndamaged."},
      {"file /home/ann/pkg/BootCodec/codec.hex is bad", 16,
       "file\n/home/ann/pkg/\nBootCodec/\ncodec.hex is bad"},
      {"C:\\Nebrisk\\BootCodec\\x.hex", 12, "C:\\Nebrisk\\\nBootCodec\\\nx.hex"},
      {"abcdefghij", 4, "abcd\nefgh\nij"},
      {"two\nlines stay", 20, "two\nlines stay"},
      {"üüüüüü", 4, "üüüü\nüü"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WrapText(row.text, row.room, Characters), row.shown)
        << row.text << " in " << row.room;
  }
}

}  // namespace
}  // namespace vorpex::app
