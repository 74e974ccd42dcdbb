// Command and reply blocks, directory slots and the "W" header as they go on the wire.
#include "protocol/command_block.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "protocol/dir_slot.h"
#include "protocol/write_header.h"

namespace {

using namespace vorpex::protocol;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

std::vector<uint8_t> Head(const std::array<uint8_t, 512>& block, size_t n) {
  return std::vector<uint8_t>(block.begin(), block.begin() + static_cast<ptrdiff_t>(n));
}

TEST(CommandBlock, WithoutPayloadLeavesTheRestOfTheBufferAsItLies) {
  std::array<uint8_t, 512> block;
  block.fill(0xA5);
  ASSERT_TRUE(BuildCommandBlock(block, 'M', kCmdFormat, {}));
  EXPECT_EQ(Head(block, 7), Bytes({0x23, 0x00, 0x04, 0x3A, 0x4D, 0x46, 0x2E}));
  for (size_t i = 7; i < 512; ++i) ASSERT_EQ(block[i], 0xA5) << i;
}

TEST(CommandBlock, RenameOfEntryFiveToAnEightCharacterName) {
  std::array<uint8_t, 512> block{};
  const auto payload = Bytes({5, 'A', 'B', 'C', 'D', '.', 'M', 'P', '3'});
  ASSERT_TRUE(BuildCommandBlock(block, 'S', kCmdRenameOrReplace, payload));
  EXPECT_EQ(block[2], 13);
  EXPECT_EQ(Head(block, 16),
            Bytes({0x23, 0, 13, 0x3A, 'S', 'P', 5, 'A', 'B', 'C', 'D', '.', 'M', 'P', '3', 0x2E}));
}

TEST(CommandBlock, UpgradeHeads) {
  std::array<uint8_t, 512> block{};
  BuildCommandBlock(block, 'G', kCmdUpgradeMode, Bytes({0x10, 0x7F}));
  EXPECT_EQ(Head(block, 9), Bytes({0x23, 0x00, 0x06, 0x3A, 0x47, 0x4F, 0x10, 0x7F, 0x2E}));
  BuildCommandBlock(block, 'C', kCmdEraseArea, Bytes({kAreaBoot}));
  EXPECT_EQ(Head(block, 8), Bytes({0x23, 0x00, 0x05, 0x3A, 0x43, 0x02, 0x52, 0x2E}));
  // A codec image of 8193 bytes is 17 blocks.
  BuildCommandBlock(block, 'C', kCmdWriteArea, Bytes({kAreaCodec, 0x00, 0x11}));
  EXPECT_EQ(Head(block, 10), Bytes({0x23, 0x00, 0x07, 0x3A, 0x43, 0x01, 0x50, 0x00, 0x11, 0x2E}));
}

TEST(CommandBlock, PayloadLongerThanTheLengthByteIsRefusedUntouched) {
  std::array<uint8_t, 512> block;
  block.fill(0x11);
  std::vector<uint8_t> payload(kMaxPayload + 1, 0x22);
  EXPECT_FALSE(BuildCommandBlock(block, 'M', kCmdWriteFile, payload));
  for (uint8_t b : block) ASSERT_EQ(b, 0x11);
  payload.pop_back();
  ASSERT_TRUE(BuildCommandBlock(block, 'M', kCmdWriteFile, payload));
  EXPECT_EQ(block[2], 255);
  EXPECT_EQ(block[6 + kMaxPayload], kBlockTerminator);
}

TEST(MemoryLetter, TablesOfBothLibraries) {
  EXPECT_EQ(MemoryLetter(kChipLetters, -2), 'G');
  EXPECT_EQ(MemoryLetter(kChipLetters, -1), 'C');
  EXPECT_EQ(MemoryLetter(kChipLetters, 0), 'M');
  EXPECT_EQ(MemoryLetter(kChipLetters, 1), 'S');
  EXPECT_EQ(MemoryLetter(kChipLetters, 2), std::nullopt);
  EXPECT_EQ(MemoryLetter(kChipLetters, -3), std::nullopt);
  EXPECT_EQ(MemoryLetter(kChipLetters, INT32_MIN), std::nullopt);
  EXPECT_EQ(MemoryLetter(kDeviceLetters, 2), 'Y');
  EXPECT_EQ(MemoryLetter(kDeviceLetters, 3), std::nullopt);
}

TEST(ReplyBlock, OkOnlyOnTheSixBytes) {
  std::array<uint8_t, 512> reply{};
  std::copy(kOkReply.begin(), kOkReply.end(), reply.begin());
  EXPECT_TRUE(IsReplyOk(reply));
  reply[6] = 0x99;  // an OK reply with anything behind it is still OK
  reply[511] = 0x42;
  EXPECT_TRUE(IsReplyOk(reply));
  reply[4] = 0x01;  // status byte not 0: a refusal
  EXPECT_FALSE(IsReplyOk(reply));
  reply[4] = 0x00;
  reply[2] = 0x04;
  EXPECT_FALSE(IsReplyOk(reply));
  EXPECT_FALSE(IsReplyOk(std::span(reply).first(5)));
}

TEST(ReplyBlock, CancelSetupPacket) {
  EXPECT_EQ(std::vector<uint8_t>(kCancelSetup.begin(), kCancelSetup.end()),
            Bytes({0x40, 0x01, 0, 0, 0, 0, 0, 0}));
}

TEST(CommandBlock, ParseIsStrictAboutHeadLengthAndTerminator) {
  std::array<uint8_t, 512> block{};
  BuildCommandBlock(block, 'M', kCmdDelete, Bytes({7}));
  auto parsed = ParseCommandBlock(block);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->letter, 'M');
  EXPECT_EQ(parsed->code, kCmdDelete);
  EXPECT_EQ(std::vector<uint8_t>(parsed->payload.begin(), parsed->payload.end()), Bytes({7}));

  EXPECT_FALSE(ParseCommandBlock(std::span(block).first(511)));
  auto broken = block;
  broken[7] = 0x2F;  // terminator
  EXPECT_FALSE(ParseCommandBlock(broken));
  broken = block;
  broken[0] = 0x24;
  EXPECT_FALSE(ParseCommandBlock(broken));
  broken = block;
  broken[2] = 3;  // shorter than colon, letter, code and terminator
  EXPECT_FALSE(ParseCommandBlock(broken));
  broken = block;
  broken[1] = 1;
  EXPECT_FALSE(ParseCommandBlock(broken));
}

TEST(DirSlot, TheReadSkipsEmptyDeletedLongNameVolumeAndFolderSlots) {
  SlotFields file;
  file.name = {'S', 'O', 'N', 'G', ' ', ' ', ' ', ' '};
  file.extension = {'M', 'P', '3'};
  file.attributes = kAttrArchive;
  EXPECT_TRUE(IsFileSlot(EncodeSlot(file)));
  auto with = [&](uint8_t attributes) {
    SlotFields f = file;
    f.attributes = attributes;
    return EncodeSlot(f);
  };
  EXPECT_FALSE(IsFileSlot(with(0)));
  EXPECT_FALSE(IsFileSlot(with(kAttrLongName)));
  EXPECT_FALSE(IsFileSlot(with(kAttrVolume)));
  EXPECT_FALSE(IsFileSlot(with(kAttrDirectory)));
  EXPECT_FALSE(IsFileSlot(with(kAttrDirectory | kAttrArchive)));
  EXPECT_TRUE(IsFileSlot(with(0x01)));  // read-only files count
  Slot deleted = EncodeSlot(file);
  deleted[0] = kSlotDeleted;
  EXPECT_FALSE(IsFileSlot(deleted));
}

TEST(DirSlot, DirEntryLayout) {
  SlotFields fields;
  fields.name = {'A', 'B', 'C', ' ', ' ', ' ', ' ', ' '};
  fields.extension = {'W', 'A', 'V'};
  fields.attributes = 0x21;
  fields.time = 0x73DD;
  fields.date = 0x3267;
  fields.size = 0x01020304;
  const Slot slot = EncodeSlot(fields);
  EXPECT_EQ(slot[22], 0xDD);
  EXPECT_EQ(slot[25], 0x32);
  EXPECT_EQ(slot[28], 0x04);

  std::array<uint8_t, 32> entry;
  entry.fill(0xEE);
  WriteDirEntry(slot, entry);
  EXPECT_EQ(std::vector<uint8_t>(entry.begin(), entry.begin() + 16),
            Bytes({'A', 'B', 'C', ' ', ' ', ' ', ' ', ' ', 0, 'W', 'A', 'V', 0xEE, 0, 0xEE, 0xEE}));
  EXPECT_EQ(std::vector<uint8_t>(entry.begin() + 16, entry.end()),
            Bytes({0xDD, 0x73, 0, 0, 0x67, 0x32, 0, 0, 4, 3, 2, 1, 0x21, 0, 0, 0}));
}

TEST(DirSlot, HeaderFiguresHighByteFirst) {
  std::array<uint8_t, 512> reply{};
  EncodeDirectoryHeader(reply, {5, 17, 0x0140, 16});
  EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 6, reply.begin() + 14),
            Bytes({0, 5, 0, 17, 0x01, 0x40, 0, 16}));
  const DirectoryHeader back = DecodeDirectoryHeader(reply);
  EXPECT_EQ(back.slots, 17);
  EXPECT_EQ(DirectoryBlockCount(17), 2u);
  EXPECT_EQ(DirectoryBlockCount(16), 1u);
  EXPECT_EQ(DirectoryBlockCount(0), 0u);
}

TEST(DirSlot, ShortNamesSplitIntoPaddedFields) {
  auto split = SplitShortName("SONG.MP3");
  ASSERT_TRUE(split);
  EXPECT_EQ(std::string(split->name.begin(), split->name.end()), "SONG    ");
  EXPECT_EQ(std::string(split->extension.begin(), split->extension.end()), "MP3");
  split = SplitShortName("a.b.");  // earlier dots stay in the base name
  ASSERT_TRUE(split);
  EXPECT_EQ(std::string(split->name.begin(), split->name.end()), "a.b     ");
  EXPECT_FALSE(SplitShortName("NODOT"));
  EXPECT_FALSE(SplitShortName(".MP3"));
  EXPECT_FALSE(SplitShortName("NINECHARS.MP3"));
  EXPECT_FALSE(SplitShortName("A.MPEG"));
  SlotFields fields;
  fields.name = split->name;
  fields.extension = split->extension;
  EXPECT_EQ(JoinShortName(fields), "a.b.");
}

TEST(WriteHeader, TwelveCharacterNameGivesTwentyBytes) {
  const auto payload = EncodeWriteHeader({"ABCDEFGH.MP3", 0x3267, 0x73DD, 1000});
  ASSERT_EQ(payload.size(), 20u);
  EXPECT_EQ(std::vector<uint8_t>(payload.begin() + 12, payload.end()),
            Bytes({0x67, 0x32, 0xDD, 0x73, 0x00, 0x00, 0x03, 0xE8}));
  const auto back = DecodeWriteHeader(payload);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->shortName, "ABCDEFGH.MP3");
  EXPECT_EQ(back->size, 1000u);
  EXPECT_EQ(back->date, 0x3267);
  EXPECT_FALSE(DecodeWriteHeader(std::span(payload).last(8)));
  EXPECT_EQ(WireLength(1000), 1024u);
  EXPECT_EQ(WireLength(16384), 16384u);
  EXPECT_EQ(WireLength(0), 0u);
}

}  // namespace
