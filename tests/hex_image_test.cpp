// Intel HEX text into images, on records made here, with the image kept in memory.
#include "protocol/hex_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "protocol/sample_image.h"
#include "support/hex_text.h"

namespace {

using vorpex::protocol::HexFailure;
using vorpex::protocol::HexImageBuilder;
using vorpex::test::Rec;

class MemorySink final : public vorpex::protocol::ImageSink {
 public:
  bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
    if (image.size() < offset + bytes.size()) image.resize(offset + bytes.size(), 0xEE);
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<long>(offset));
    return true;
  }
  bool Fill(uint64_t offset, uint64_t count) override {
    fills += count;
    std::vector<uint8_t> zeros(count, 0);
    return Write(offset, zeros);
  }
  std::vector<uint8_t> image;
  uint64_t fills = 0;
};

std::vector<uint8_t> Bytes(size_t n, uint8_t first) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(first + i);
  return v;
}

const std::string kEof = ":00000001FF";

struct Result {
  bool ok;
  HexFailure failure;
  std::vector<uint8_t> image;
  uint64_t size;
  size_t line;  // where the failure lies
};

// Feeds the text in small uneven pieces, so that lines cross the pieces' borders.
Result Convert(const std::string& text, uint32_t base = 0,
               uint64_t maxImage = vorpex::protocol::kMaxFirmwareImage) {
  MemorySink sink;
  HexImageBuilder builder(base, sink, maxImage);
  bool ok = true;
  for (size_t at = 0; at < text.size() && ok && !builder.done(); at += 7) {
    ok = builder.Feed(std::span(text.data() + at, std::min<size_t>(7, text.size() - at)));
  }
  ok = ok && builder.Finish();
  return {ok, builder.failure(), sink.image, builder.imageSize(), builder.failureLine()};
}

TEST(HexImage, EmptyTextGivesAnEmptyImage) {
  auto r = Convert("");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.size, 0u);
  r = Convert(kEof + "\n");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.size, 0u);
}

TEST(HexImage, BaseCutsAndFillsTheStart) {
  // A record straddling the base gives only its upper half; one below it leaves no trace.
  auto r = Convert(
      Rec(0x1000, 0, Bytes(16, 0x40)) + "\n" + Rec(0x1FF8, 0, Bytes(16, 0)) + "\n" + kEof + "\n",
      0x2000);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image, Bytes(8, 8));

  r = Convert(Rec(0x2730, 0, {0xAB}) + "\n", 0x2000);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.image.size(), 0x731u);
  EXPECT_EQ(r.image[0x730], 0xAB);
  EXPECT_EQ(std::count(r.image.begin(), r.image.end(), 0), 0x730);
}

TEST(HexImage, LaterRecordsWinAndOrderDoesNotMatter) {
  std::string text = Rec(0x0020, 0, Bytes(4, 0x20)) + "\n" + Rec(0x0000, 0, Bytes(4, 0x00)) + "\n" +
                     Rec(0x0002, 0, {0x77, 0x78, 0x79, 0x7A}) + "\n" + kEof;
  auto r = Convert(text);
  ASSERT_TRUE(r.ok);
  std::vector<uint8_t> want(0x24, 0);
  want[0] = 0;
  want[1] = 1;
  want[2] = 0x77;
  want[3] = 0x78;
  want[4] = 0x79;
  want[5] = 0x7A;
  for (int i = 0; i < 4; ++i) want[0x20 + i] = static_cast<uint8_t>(0x20 + i);
  EXPECT_EQ(r.image, want);
  EXPECT_EQ(r.size, 0x24u);
}

TEST(HexImage, ZeroLengthRecordExtendsTheImage) {
  auto r = Convert(Rec(0x0000, 0, {1}) + "\n" + Rec(0x0010, 0, {}) + "\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.size, 0x10u);
}

TEST(HexImage, LinearAndSegmentAddresses) {
  // Linear 0001 moves data to 0x10000 on; with base 0x2000 that is offset 0xE000.
  auto r = Convert(Rec(0, 4, {0x00, 0x01}) + "\n" + Rec(0x0004, 0, {0x5A}) + "\n", 0x2000);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.image.size(), 0xE005u);
  EXPECT_EQ(r.image[0xE004], 0x5A);

  // Segment 1000 is 0x10000 as well; whichever of the two came last governs.
  std::string text = Rec(0, 4, {0x00, 0x02}) + "\n" + Rec(0, 2, {0x10, 0x00}) + "\n" +
                     Rec(0x0001, 0, {0x11}) + "\n" + Rec(0, 4, {0x00, 0x00}) + "\n" +
                     Rec(0x0000, 0, {0x22}) + "\n";
  r = Convert(text);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.image.size(), 0x10002u);
  EXPECT_EQ(r.image[0x10001], 0x11);
  EXPECT_EQ(r.image[0], 0x22);

  // A linear address record counts its own address field too.
  r = Convert(Rec(0x0100, 4, {0x00, 0x00}) + "\n" + Rec(0x0000, 0, {0x33}) + "\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.image.size(), 0x101u);
  EXPECT_EQ(r.image[0x100], 0x33);

  // Start addresses (03, 05) change nothing.
  r = Convert(Rec(0, 3, {0, 0, 0x12, 0x34}) + "\n" + Rec(0, 5, {0, 1, 0, 0}) + "\n" +
              Rec(0, 0, {9}) + "\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image, std::vector<uint8_t>{9});
}

TEST(HexImage, LineEndsAndCase) {
  std::string upper = Rec(0, 0, Bytes(16, 0xA0)) + "\r\n" + Rec(0x10, 0, Bytes(3, 0xF0));
  std::string lower = Rec(0, 0, Bytes(16, 0xA0), true) + "\r" + Rec(0x10, 0, Bytes(3, 0xF0), true);
  std::string lf = Rec(0, 0, Bytes(16, 0xA0)) + " \t\n" + Rec(0x10, 0, Bytes(3, 0xF0)) + "\n";
  auto a = Convert(upper), b = Convert(lower), c = Convert(lf);
  ASSERT_TRUE(a.ok && b.ok && c.ok);
  EXPECT_EQ(a.image.size(), 19u);
  EXPECT_EQ(a.image, b.image);
  EXPECT_EQ(a.image, c.image);
}

TEST(HexImage, NothingIsReadAfterTheEndRecord) {
  auto r = Convert(Rec(0, 0, {1, 2}) + "\n" + kEof + "\n" + Rec(0x10, 0, {3}) + "\n:zz garbage\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image, (std::vector<uint8_t>{1, 2}));
}

TEST(HexImage, BlankLinesAreSkippedAndStrayLinesEndTheData) {
  auto r = Convert(Rec(0, 0, {1}) + "\n\n  \t\n" + Rec(1, 0, {2}) + "\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image, (std::vector<uint8_t>{1, 2}));

  // A trailer that is not a record ends the data, as long as no record follows it.
  r = Convert(Rec(0, 0, {1}) + "\n; built by hand\n\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.image, (std::vector<uint8_t>{1}));

  // A line too long to hold is a stray line too, even when it starts with blanks. The fault is
  // told at the stray line, not at the good record after it.
  for (const std::string& stray :
       {std::string("; built by hand"), std::string(521, ' ') + Rec(1, 0, {9})}) {
    r = Convert(Rec(0, 0, {1}) + "\r\n\n" + stray + "\n\n" + Rec(1, 0, {2}) + "\n");
    EXPECT_FALSE(r.ok) << stray.size();
    EXPECT_EQ(r.failure, HexFailure::kRecordAfterStrayLine) << stray.size();
    EXPECT_EQ(r.line, 3u) << stray.size();
  }
}

TEST(HexImage, DamagedRecordsFail) {
  std::string good = Rec(0, 0, Bytes(8, 1));
  std::string badSum = good;
  badSum.back() = badSum.back() == '0' ? '1' : '0';
  std::string badDigit = good;
  badDigit[12] = 'G';
  std::string cut = good.substr(0, good.size() - 5);
  // The last two run on: two records that lost the line end between them, or more than blanks.
  const std::pair<std::string, HexFailure> damages[] = {
      {badSum, HexFailure::kMalformedRecord},
      {badDigit, HexFailure::kMalformedRecord},
      {cut, HexFailure::kMalformedRecord},
      {good + Rec(8, 0, Bytes(8, 9)), HexFailure::kRunsOn},
      {Rec(0, 0, Bytes(255, 0)) + " " + kEof, HexFailure::kRunsOn}};
  for (const auto& [bad, failure] : damages) {
    auto r = Convert(Rec(0x100, 0, {7}) + "\r\n\r\n" + bad + "\r\n" + kEof + "\n");
    EXPECT_FALSE(r.ok) << bad;
    EXPECT_EQ(r.failure, failure) << bad;
    EXPECT_EQ(r.line, 3u) << bad;
  }
  // A record cut off by the end of the text fails too, as does a one-byte address record.
  EXPECT_EQ(Convert(Rec(0, 0, {1}) + "\n" + cut).line, 2u);
  EXPECT_FALSE(Convert(Rec(0, 4, {1}) + "\n").ok);
}

TEST(HexImage, ImagesBeyondTheLimitFail) {
  // Exactly the limit is taken; one byte more is refused before anything is filled.
  auto r = Convert(Rec(0x00FF, 0, {1}) + "\n", 0, 0x100);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.size, 0x100u);
  r = Convert(Rec(0x0100, 0, {1}) + "\n", 0, 0x100);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.failure, HexFailure::kImageTooLarge);
  EXPECT_EQ(r.line, 1u);
  EXPECT_TRUE(r.image.empty());

  // A linear address far above the base fails at once instead of filling gigabytes.
  MemorySink sink;
  HexImageBuilder builder(0x2000, sink);
  std::string text = Rec(0, 4, {0xFF, 0x00}) + "\n" + Rec(0, 0, {1}) + "\n";
  EXPECT_FALSE(builder.Feed(std::span(text.data(), text.size())));
  EXPECT_EQ(sink.fills, 0u);
}

// The sample images' mark: their data begin with a fixed text wherever they start.
TEST(HexImage, SampleImagesAreToldByTheTextTheirDataBeginWith) {
  using vorpex::test::HexOf;
  const std::string_view markText = vorpex::protocol::kSampleImageMark;
  const std::vector<uint8_t> mark(markText.begin(), markText.end());
  const std::vector<uint8_t> head(mark.begin(), mark.begin() + 16);
  const std::vector<uint8_t> tail(mark.begin() + 16, mark.end());
  std::vector<uint8_t> followed = mark;
  followed.push_back(0x01);
  const std::pair<std::string, bool> rows[] = {
      {HexOf(0, followed) + kEof, true},
      // Over uneven records, from 0x2000 on, without an end record.
      {Rec(0x2000, 0, head) + "\n" + Rec(0x2010, 0, tail) + "\n", true},
      {HexOf(0, std::vector<uint8_t>(mark.begin(), mark.end() - 1)) + kEof, false},
      {Rec(0, 0, head) + "\n" + Rec(0x20, 0, tail) + "\n", false},  // a gap inside the mark
      {HexOf(0, Bytes(4, 1)) + HexOf(4, mark) + kEof, false},
      {std::string(markText), false},  // not hex
  };
  for (const auto& [text, sample] : rows)
    EXPECT_EQ(vorpex::protocol::IsSampleImage(text), sample) << text;
}

}  // namespace
