#include "protocol/ini_text.h"

#include <gtest/gtest.h>

namespace vorpex::protocol {
namespace {

constexpr std::string_view kPackage =
    "[BOOTINFO]\r\n"
    "BOOT UPGRADE=0\r\n"
    "BOOT FILENAME=boot.hex\r\n"
    "\r\n"
    "[MAINDINFO]\r\n"
    "MAIND FILENAME=codec.hex\r\n";

TEST(IniLookup, FindsKeysWithoutRegardToCaseOrBlanks) {
  std::string_view text =
      "  [ BootInfo ]  \n"
      "\tboot upgrade  =   3  \n"
      "Boot Version= 1.2 beta\n";
  EXPECT_EQ(IniLookup(text, "BOOTINFO", "BOOT UPGRADE"), "3");
  EXPECT_EQ(IniLookup(text, "bootinfo", "BOOT VERSION"), "1.2 beta");
}

TEST(IniLookup, MissingSectionOrKeyIsNotFound) {
  EXPECT_EQ(IniLookup(kPackage, "OTHER", "BOOT UPGRADE"), std::nullopt);
  EXPECT_EQ(IniLookup(kPackage, "BOOTINFO", "MAIND FILENAME"), std::nullopt);  // other section
  EXPECT_EQ(IniLookup("", "BOOTINFO", "BOOT UPGRADE"), std::nullopt);
  // A key before any section belongs to none.
  EXPECT_EQ(IniLookup("KEY=1\n[S]\n", "S", "KEY"), std::nullopt);
}

TEST(IniLookup, FirstSectionAndFirstKeyWin) {
  std::string_view text = "[S]\nK=first\nK=second\n[S]\nK=third\nL=only later\n";
  EXPECT_EQ(IniLookup(text, "S", "K"), "first");
  EXPECT_EQ(IniLookup(text, "S", "L"), std::nullopt);
}

TEST(IniLookup, ValuesKeepInnerBlanksAndLoseOnePairOfQuotes) {
  std::string_view text = "[S]\nA=\"x y\"\nB='q'\nC=\"unbalanced\nD=\nE\nF=a=b\n";
  EXPECT_EQ(IniLookup(text, "S", "A"), "x y");
  EXPECT_EQ(IniLookup(text, "S", "B"), "q");
  EXPECT_EQ(IniLookup(text, "S", "C"), "\"unbalanced");
  EXPECT_EQ(IniLookup(text, "S", "D"), "");
  EXPECT_EQ(IniLookup(text, "S", "E"), "");  // a line without "=" is a key without a value
  EXPECT_EQ(IniLookup(text, "S", "F"), "a=b");
}

TEST(IniAssign, ReplacesTheValueInPlaceAndKeepsEveryOtherByte) {
  std::string text(kPackage);
  std::string updated = IniAssign(text, "bootinfo", "boot upgrade", "1");
  std::string expected(kPackage);
  expected.replace(expected.find("BOOT UPGRADE=0"), 14, "BOOT UPGRADE=1");
  EXPECT_EQ(updated, expected);
}

TEST(IniAssign, KeepsTheKeyAsWrittenAndDropsTheOldBlanks) {
  EXPECT_EQ(IniAssign("[S]\n  Key  =  old  \nNext=2\n", "S", "KEY", "new"),
            "[S]\nKey=new\nNext=2\n");
}

TEST(IniAssign, AddsAMissingKeyAfterTheSectionsLastEntry) {
  EXPECT_EQ(IniAssign(kPackage, "BOOTINFO", "BOOT VERSION", "2.0"),
            "[BOOTINFO]\r\n"
            "BOOT UPGRADE=0\r\n"
            "BOOT FILENAME=boot.hex\r\n"
            "BOOT VERSION=2.0\r\n"
            "\r\n"
            "[MAINDINFO]\r\n"
            "MAIND FILENAME=codec.hex\r\n");
  // The section's last line has no line end.
  EXPECT_EQ(IniAssign("[S]\nA=1", "S", "B", "2"), "[S]\nA=1\nB=2\n");
  // An empty section.
  EXPECT_EQ(IniAssign("[S]\n[T]\n", "S", "B", "2"), "[S]\nB=2\n[T]\n");
}

TEST(IniAssign, AddsAMissingSectionAtTheEnd) {
  EXPECT_EQ(IniAssign("[S]\nA=1", "T", "B", "2"), "[S]\nA=1\n[T]\nB=2\n");
  EXPECT_EQ(IniAssign(kPackage, "NEW", "K", "v"), std::string(kPackage) + "[NEW]\r\nK=v\r\n");
  EXPECT_EQ(IniAssign("", "BOOTINFO", "BOOT UPGRADE", "1"), "[BOOTINFO]\r\nBOOT UPGRADE=1\r\n");
  EXPECT_EQ(IniAssign("", "S", "K", "v", "\n"), "[S]\nK=v\n");
}

TEST(IniAssign, WhatIsWrittenReadsBack) {
  std::string text = "; package\n[S]\nA=1\n";
  text = IniAssign(text, "S", "A", "2");
  text = IniAssign(text, "S", "B", "x y");
  text = IniAssign(text, "T", "C", "3");
  EXPECT_EQ(IniLookup(text, "S", "A"), "2");
  EXPECT_EQ(IniLookup(text, "S", "B"), "x y");
  EXPECT_EQ(IniLookup(text, "T", "C"), "3");
  EXPECT_EQ(text.substr(0, 10), "; package\n");
}

// A text whose last line ends in a lone "\r": the line is completed, so the line added after it
// neither joins it nor changes its value (found by fuzzing).
TEST(IniAssign, ALoneCarriageReturnAtTheEndStaysALineEnd) {
  struct Case {
    const char* text;
    const char* section;
    const char* expected;
  };
  for (const Case& c : {Case{"[S]\nA=1\r", "S", "[S]\nA=1\r\nB=2\n"},
                        Case{"[S]\r", "S", "[S]\r\nB=2\r\n"},
                        Case{"[S]\nA=1\r", "T", "[S]\nA=1\r\n[T]\nB=2\n"}}) {
    const std::string written = IniAssign(c.text, c.section, "B", "2");
    EXPECT_EQ(written, c.expected) << c.text;
    EXPECT_EQ(IniLookup(written, "S", "A"), IniLookup(c.text, "S", "A")) << c.text;
    EXPECT_EQ(IniLookup(written, c.section, "B"), "2") << c.text;
  }
}

}  // namespace
}  // namespace vorpex::protocol
