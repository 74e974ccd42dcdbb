// Reading MPEG audio frame headers and finding a confirmed frame.
#include "protocol/mp3_frame.h"

#include <gtest/gtest.h>

#include "support/mpeg_frames.h"

namespace {

using namespace vorpex::protocol;
using vorpex::testing::FrameHeader;
using vorpex::testing::PutHeader;

constexpr uint32_t kV1 = 3, kV2 = 2, kV25 = 0, kL3 = 1, kL2 = 2, kL1 = 3;

TEST(ParseFrameHeader, AcceptsWithTheStandardsTablesAndRejectsReservedFields) {
  struct Case {
    std::array<uint8_t, 4> header;
    bool accepted;
    FrameFields fields;  // kbit/s and Hz when accepted, the raw fields when rejected
  };
  const Case cases[] = {
      {FrameHeader(kV1, kL3, 9, 0), true, {kV1, kL3, 128, 44100, 0}},
      {FrameHeader(kV1, kL3, 1, 1, 1), true, {kV1, kL3, 32, 48000, 1}},
      {FrameHeader(kV1, kL3, 14, 2), true, {kV1, kL3, 320, 32000, 0}},
      {FrameHeader(kV1, kL2, 1, 0), true, {kV1, kL2, 32, 44100, 0}},
      {FrameHeader(kV1, kL2, 10, 1), true, {kV1, kL2, 192, 48000, 0}},
      {FrameHeader(kV1, kL2, 14, 2), true, {kV1, kL2, 384, 32000, 0}},
      {FrameHeader(kV2, kL3, 1, 0), true, {kV2, kL3, 8, 22050, 0}},
      {FrameHeader(kV2, kL2, 14, 1), true, {kV2, kL2, 160, 24000, 0}},
      {FrameHeader(kV2, kL3, 8, 2), true, {kV2, kL3, 64, 16000, 0}},
      {FrameHeader(kV25, kL3, 4, 0), true, {kV25, kL3, 32, 11025, 0}},
      {FrameHeader(kV25, kL3, 12, 1), true, {kV25, kL3, 128, 12000, 0}},
      {FrameHeader(kV25, kL2, 14, 2, 1), true, {kV25, kL2, 160, 8000, 1}},
      {FrameHeader(1, kL3, 9, 0), false, {1, kL3, 9, 0, 0}},        // reserved version
      {FrameHeader(kV1, 0, 9, 0), false, {kV1, 0, 9, 0, 0}},        // reserved layer
      {FrameHeader(kV1, kL1, 9, 0), false, {kV1, kL1, 9, 0, 0}},    // Layer I
      {FrameHeader(kV1, kL3, 0, 0), false, {kV1, kL3, 0, 0, 0}},    // free format
      {FrameHeader(kV1, kL3, 15, 1), false, {kV1, kL3, 15, 1, 0}},  // forbidden bit rate
      {FrameHeader(kV2, kL2, 5, 3), false, {kV2, kL2, 5, 3, 0}},    // reserved sampling rate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int(c.header[1]) << " " << int(c.header[2]));
    FrameFields fields;
    EXPECT_EQ(ParseFrameHeader(std::span<const uint8_t, 3>(c.header.data(), 3), fields),
              c.accepted);
    EXPECT_EQ(fields.version, c.fields.version);
    EXPECT_EQ(fields.layer, c.fields.layer);
    EXPECT_EQ(fields.bitRate, c.fields.bitRate);
    EXPECT_EQ(fields.rate, c.fields.rate);
  }
}

TEST(FrameLength, IsHalfForLayerThreeOfTheLowSamplingRates) {
  struct Case {
    std::array<uint8_t, 4> header;
    uint32_t length;
  };
  const Case cases[] = {
      {FrameHeader(kV1, kL3, 9, 0), 417},       // 128 kbit/s, 44100 Hz
      {FrameHeader(kV1, kL3, 9, 0, 1), 418},    // padded
      {FrameHeader(kV1, kL2, 10, 1), 576},      // 192 kbit/s, 48000 Hz
      {FrameHeader(kV1, kL2, 14, 2, 1), 1729},  // 384 kbit/s, 32000 Hz, padded
      {FrameHeader(kV2, kL3, 8, 0), 208},       // 72000 x 64 / 22050
      {FrameHeader(kV25, kL3, 2, 2, 1), 145},   // 72000 x 16 / 8000, padded
      {FrameHeader(kV2, kL2, 8, 0), 417},       // Layer II keeps 144000
      {FrameHeader(kV25, kL2, 14, 2, 1), 2881},
  };
  for (const Case& c : cases) {
    FrameFields fields;
    ASSERT_TRUE(ParseFrameHeader(std::span<const uint8_t, 3>(c.header.data(), 3), fields));
    EXPECT_EQ(FrameLength(fields), c.length) << fields.bitRate << " kbit/s " << fields.rate;
  }
  EXPECT_EQ(kMp3ScanBytes, 19267u);
}

// A buffer of `size` zero bytes with headers at the given offsets.
struct Placed {
  size_t at;
  std::array<uint8_t, 4> header;
};
std::vector<uint8_t> Buffer(size_t size, std::initializer_list<Placed> headers) {
  std::vector<uint8_t> buffer(size);
  for (const Placed& p : headers) PutHeader(buffer, p.at, p.header);
  return buffer;
}

TEST(ScanFrames, ReportsTheConfirmingHeaderOrAnAcceptedLoneOne) {
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    Mp3Answer answer;
  };
  const auto h128 = FrameHeader(kV1, kL3, 9, 0);
  const auto h160 = FrameHeader(kV1, kL3, 10, 0);
  const auto bad = FrameHeader(kV1, kL3, 15, 0);
  const Case cases[] = {
      {"two frames at 0 and 417", Buffer(19267, {{0, h128}, {417, h128}}), {true, 128, 16}},
      {"padded: the next at 418, its bit rate reported",
       Buffer(19267, {{0, FrameHeader(kV1, kL3, 9, 0, 1)}, {418, h160}}),
       {true, 160, 16}},
      {"Layer II 192 kbit/s 48000 Hz: the next at 576",
       Buffer(19267, {{0, FrameHeader(kV1, kL2, 10, 1)}, {576, FrameHeader(kV1, kL2, 12, 1)}}),
       {true, 256, 64}},
      {"a tag in front with a stray candidate",
       Buffer(19267, {{100, bad}, {5000, h160}, {5417, h128}}),
       {true, 128, 16}},
      {"MPEG-2 Layer III: the next at 208, a stray candidate later",
       Buffer(19267,
              {{0, FrameHeader(kV2, kL3, 8, 0)}, {208, FrameHeader(kV2, kL3, 4, 0)}, {5000, bad}}),
       {true, 32, 16}},
      {"MPEG 2.5 Layer III: the next at 145, a stray candidate later",
       Buffer(19267, {{0, FrameHeader(kV25, kL3, 2, 2, 1)},
                      {145, FrameHeader(kV25, kL3, 3, 2)},
                      {5000, bad}}),
       {true, 24, 16}},
      {"16384 zero bytes", Buffer(16384, {}), {false, 0, 0}},
      {"a lone Layer III header", Buffer(19267, {{700, h160}}), {true, 160, 16}},
      {"a lone Layer II header at the last position",
       Buffer(19267, {{16383, FrameHeader(kV1, kL2, 10, 1)}}),
       {true, 192, 64}},
      {"a pair beyond the last position",
       Buffer(19267, {{16384, h128}, {16801, h160}}),
       {false, 0, 0}},
      {"the longest frame from the last position",
       Buffer(19267,
              {{16383, FrameHeader(kV25, kL2, 14, 2, 1)}, {19264, FrameHeader(kV25, kL2, 13, 2)}}),
       {true, 144, 64}},
      {"the same cut one byte short: the first header alone",
       Buffer(19266, {{16383, FrameHeader(kV25, kL2, 14, 2, 1)}}),
       {true, 160, 64}},
      {"a lone rejected header is no result", Buffer(19267, {{10, bad}}), {false, 0, 0}},
      {"an accepted header whose next one is rejected",
       Buffer(19267, {{10, h128}, {427, bad}}),
       {false, 0, 0}},
      {"Layer I frames",
       Buffer(19267, {{0, FrameHeader(kV1, kL1, 9, 0)}, {417, FrameHeader(kV1, kL1, 9, 0)}}),
       {false, 0, 0}},
      {"nothing to read", {}, {false, 0, 0}},
      {"two bytes of a header", {0xFF, 0xFB}, {false, 0, 0}},
  };
  for (const Case& c : cases) {
    Mp3Answer answer = ScanFrames(c.data);
    EXPECT_EQ(answer.found, c.answer.found) << c.what;
    EXPECT_EQ(answer.bitRate, c.answer.bitRate) << c.what;
    if (c.answer.found) {
      EXPECT_EQ(answer.type, c.answer.type) << c.what;
    }
  }
}

}  // namespace
