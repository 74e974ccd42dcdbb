// What a byte stream is as MPEG audio: tags around it, the frames that confirm it, its figures.
#include "protocol/mp3_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/mp3_frame.h"
#include "support/mpeg_frames.h"

namespace {

using namespace vorpex::protocol;
using vorpex::testing::FrameHeader;
using vorpex::testing::PutHeader;

constexpr uint32_t kV1 = 3, kV2 = 2, kL3 = 1, kL2 = 2, kL1 = 3;

// `count` frames of each header in turn, after `lead` zero bytes; `tail` bytes after them.
std::vector<uint8_t> Frames(size_t lead, std::initializer_list<std::array<uint8_t, 4>> headers,
                            size_t count, const std::string& tail = "") {
  std::vector<uint8_t> bytes(lead);
  for (const auto& header : headers) {
    const uint32_t length = DecodeMpegHeader(header)->length;
    for (size_t k = 0; k < count; ++k) {
      const size_t at = bytes.size();
      bytes.resize(at + length);
      PutHeader(bytes, at, header);
    }
  }
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

// A Layer III frame of MPEG-1 stereo carrying a "Xing" or "Info" header with a frame count.
std::vector<uint8_t> WithEncoderFrame(const char* tag, uint8_t frames, std::vector<uint8_t> rest) {
  std::vector<uint8_t> bytes = Frames(0, {FrameHeader(kV1, kL3, 9, 0)}, 1);
  const std::string figures = std::string(tag) + std::string("\0\0\0\1\0\0\0", 7);
  std::copy(figures.begin(), figures.end(), bytes.begin() + 36);
  bytes[36 + 11] = frames;
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

TEST(DescribeStream, FindsConfirmedStreamsAndTheirFigures) {
  const auto h128 = FrameHeader(kV1, kL3, 9, 0);
  const auto h160 = FrameHeader(kV1, kL3, 10, 0);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool found;
    uint32_t layer = 0;
    bool variable = false;
    uint32_t bitRate = 0;
    uint64_t frames = 0;
    uint64_t audioStart = 0;
  };
  const Case cases[] = {
      {"38 frames of 128 kbit/s", Frames(0, {h128}, 38), true, 3, false, 128, 38},
      {"after junk", Frames(700, {h128}, 5), true, 3, false, 128, 5, 700},
      {"two frames that end the audio", Frames(0, {h128}, 2), true, 3, false, 128, 2},
      {"two frames and more bytes", Frames(0, {h128}, 2, std::string(600, 'x')), false},
      {"one frame", Frames(0, {h128}, 1), false},
      {"frames of differing rates", Frames(0, {h128, h160}, 10), true, 3, true, 144, 20},
      {"Layer II at 48000 Hz", Frames(0, {FrameHeader(kV1, kL2, 10, 1)}, 4), true, 2, false, 192,
       4},
      {"Layer I", Frames(0, {FrameHeader(kV1, kL1, 9, 0)}, 4), true, 1, false, 288, 4},
      {"a change of sampling rate breaks the run",
       Frames(0, {h128, FrameHeader(kV1, kL3, 9, 1), h128}, 2, std::string(600, 'x')), false},
      {"a change of version breaks the run",
       Frames(0, {h128, FrameHeader(kV2, kL3, 9, 0), h128}, 2, std::string(600, 'x')), false},
      {"junk between frames is passed over",
       [&] {
         auto bytes = Frames(0, {h128}, 4, std::string(50, 'x'));
         auto more = Frames(0, {h128}, 4);
         bytes.insert(bytes.end(), more.begin(), more.end());
         return bytes;
       }(),
       true, 3, false, 128, 8},
      {"a Xing header: VBR, its frame count", WithEncoderFrame("Xing", 100, Frames(0, {h160}, 5)),
       true, 3, true, 160, 5},
      {"an Info header: the frames' rate", WithEncoderFrame("Info", 5, Frames(0, {h160}, 5)), true,
       3, false, 160, 5},
      {"first frame beyond the search", Frames(kStreamSearchBytes, {h128}, 5), false},
      {"nothing", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto info = DescribeStream(c.bytes);
    ASSERT_EQ(info.has_value(), c.found);
    if (!info) continue;
    EXPECT_EQ(info->first.layer, c.layer);
    EXPECT_EQ(info->variable, c.variable);
    EXPECT_EQ(info->bitRate, c.bitRate);
    EXPECT_EQ(info->frames, c.frames);
    EXPECT_EQ(info->audioStart, c.audioStart);
  }
}

TEST(DescribeStream, DurationComesFromTheXingFrameCount) {
  const auto info =
      DescribeStream(WithEncoderFrame("Xing", 100, Frames(0, {FrameHeader(kV1, kL3, 10, 0)}, 5)));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->milliseconds, 100u * 1152 * 1000 / 44100);
}

TEST(Tags, LeadingAndTrailingTagsTakeTheirDeclaredBytes) {
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<uint64_t> leading;
    uint64_t trailing;
  };
  const std::string ape = std::string("APETAGEX") + std::string("\xd0\x07\0\0", 4) +
                          std::string("\x40\0\0\0", 4) + std::string(4, '\0') +
                          std::string("\0\0\0\x80", 4) + std::string(8, '\0');
  const std::string id3v1 = "TAG" + std::string(125, ' ');
  const Case cases[] = {
      {"ID3v2.3 of 257 bytes", std::string("ID3\3\0\0\0\0\2\1", 10) + std::string(200, 'a'), 267,
       0},
      {"ID3v2.4 with a footer", std::string("ID3\4\0\x10\0\0\0\5", 10) + std::string(200, 'a'), 25,
       0},
      {"a size byte with its top bit set", std::string("ID3\3\0\0\0\0\x81\0", 10), std::nullopt, 0},
      {"an ID3v1 tag", std::string(300, 'a') + id3v1, std::nullopt, 128},
      {"an APE tag with its header, then ID3v1", std::string(300, 'a') + ape + id3v1, std::nullopt,
       128 + 64 + 32},
      {"an APE tag larger than the file", ape, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(Id3v2TagBytes(bytes), c.leading);
    const size_t tail = std::min(bytes.size(), kTrailingTagWindow);
    EXPECT_EQ(TrailingTagBytes(std::span(bytes).last(tail), bytes.size()), c.trailing);
  }
}

}  // namespace
