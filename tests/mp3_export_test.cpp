// The MP3 header exports as callers use them: on files made by real encoders, compared with what
// mpg123 decodes from them, and on buffers that end exactly where the caller says.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ORVANEUsbDll.h"
#include "support/mpeg_frames.h"

namespace {

using vorpex::testing::FrameHeader;

constexpr int32_t kUntouched = -7;

struct Answer {
  int32_t result;
  int32_t bitRate;
  int32_t type;
  bool operator==(const Answer&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Answer& a) {
  return out << "{" << a.result << ", " << a.bitRate << " kbit/s, type " << a.type << "}";
}

Answer Bounded(const uint8_t* data, uint32_t length) {
  Answer a{0, kUntouched, kUntouched};
  a.result = Usb_GetBitRateAndType(data, length, &a.bitRate, &a.type);
  return a;
}

// The unbounded export on a copy of `bytes` padded with zeros to the bytes it reads.
Answer Unbounded(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> window(ORVANE_MP3_SCAN_BYTES);
  std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), ORVANE_MP3_SCAN_BYTES), window.begin());
  Answer a{0, kUntouched, kUntouched};
  a.result = get_bitRateAndType(window.data(), &a.bitRate, &a.type);
  return a;
}

struct Reference {
  std::string name;
  int32_t type = 0;
  int32_t bitRate = 0;
};

std::vector<Reference> Manifest() {
  std::ifstream in(std::string(VORPEX_MP3_FIXTURES) + "/manifest.txt");
  std::vector<Reference> files;
  for (Reference r; in >> r.name >> r.type >> r.bitRate;) files.push_back(r);
  return files;
}

TEST(Mp3Exports, AgreeWithTheDecoderOnEncodedFiles) {
  const std::vector<Reference> files = Manifest();
  ASSERT_GE(files.size(), 20u) << "the encoded files are missing";
  for (const Reference& file : files) {
    SCOPED_TRACE(file.name);
    std::ifstream in(std::string(VORPEX_MP3_FIXTURES) + "/" + file.name, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(bytes.empty());
    // A type found is the decoder's; none found (the first frame beyond 16384 bytes) leaves the
    // type as it was.
    const Answer expected =
        file.type ? Answer{1, file.bitRate, file.type} : Answer{0, 0, kUntouched};
    EXPECT_EQ(Unbounded(bytes), expected);
    // The whole file, and just the window: both see the same.
    EXPECT_EQ(Bounded(bytes.data(), static_cast<uint32_t>(bytes.size())), expected);
    if (bytes.size() > ORVANE_MP3_SCAN_BYTES) {
      EXPECT_EQ(Bounded(bytes.data(), ORVANE_MP3_SCAN_BYTES), expected);
    }
  }
}

// Frames of 128 kbit/s at 44100 Hz, 417 and 418 bytes alternately, then zeros.
std::vector<uint8_t> Frames(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t at = 0, k = 0; at + 4 <= size; at += 417 + (k % 2), ++k) {
    auto header = FrameHeader(3, 1, 9, 0, k % 2);
    std::memcpy(bytes.data() + at, header.data(), header.size());
  }
  return bytes;
}

// Each buffer lives on the heap with nothing after its last byte, so that a read past the length
// is caught where the address sanitizer runs.
TEST(Mp3Exports, BoundedReadsNoFurtherThanTheLength) {
  const std::vector<uint8_t> frames = Frames(3 * 418 + 8);
  // 0xFF 0xFB 0x80 over and over: a 112 kbit/s header every third byte, none confirmed.
  const std::vector<uint8_t> candidates = [] {
    std::vector<uint8_t> bytes(3 * 418 + 8);
    for (size_t k = 0; k < bytes.size(); ++k) {
      bytes[k] = std::array<uint8_t, 3>{0xFF, 0xFB, 0x80}[k % 3];
    }
    return bytes;
  }();
  for (const std::vector<uint8_t>* source : std::array{&frames, &candidates}) {
    for (size_t size = 0; size <= source->size(); ++size) {
      SCOPED_TRACE(size);
      // Built from a range, a vector holds exactly its elements.
      const std::vector<uint8_t> exact(source->begin(),
                                       source->begin() + static_cast<ptrdiff_t>(size));
      // Three bytes make a header: from then on the first frame is found, alone or confirmed.
      const int32_t rate = source == &frames ? 128 : 112;
      const Answer expected = size >= 3 ? Answer{1, rate, 16} : Answer{0, 0, kUntouched};
      EXPECT_EQ(Bounded(exact.data(), static_cast<uint32_t>(size)), expected);
    }
  }
}

TEST(Mp3Exports, MissingBuffersFindNothing) {
  EXPECT_EQ(Bounded(nullptr, 0), (Answer{0, 0, kUntouched}));
  EXPECT_EQ(Bounded(nullptr, 5000), (Answer{0, 0, kUntouched}));
  int32_t bitRate = kUntouched, type = kUntouched;
  EXPECT_EQ(get_bitRateAndType(nullptr, &bitRate, &type), 0);
  EXPECT_EQ(bitRate, 0);
  EXPECT_EQ(type, kUntouched);
  const std::vector<uint8_t> frames = Frames(ORVANE_MP3_SCAN_BYTES);
  EXPECT_EQ(get_bitRateAndType(frames.data(), nullptr, nullptr), 1);  // outputs not written
}

}  // namespace
