#include "protocol/mp3_frame.h"

#include <algorithm>
#include <array>

namespace vorpex::protocol {
namespace {

// Bit rates in kbit/s by index; 0 (free format) and 15 are never looked up.
constexpr std::array<uint16_t, 16> kMpeg1Layer3Rates = {0,   32,  40,  48,  56,  64,  80,  96,
                                                        112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<uint16_t, 16> kMpeg1Layer2Rates = {0,   32,  48,  56,  64,  80,  96,  112,
                                                        128, 160, 192, 224, 256, 320, 384, 0};
constexpr std::array<uint16_t, 16> kMpeg1Layer1Rates = {0,   32,  64,  96,  128, 160, 192, 224,
                                                        256, 288, 320, 352, 384, 416, 448, 0};
// MPEG-2 and MPEG 2.5, Layers II and III alike, and their Layer I.
constexpr std::array<uint16_t, 16> kMpeg2Rates = {0,  8,  16, 24,  32,  40,  48,  56,
                                                  64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<uint16_t, 16> kMpeg2Layer1Rates = {0,   32,  48,  56,  64,  80,  96,  112,
                                                        128, 144, 160, 176, 192, 224, 256, 0};

constexpr std::array<uint32_t, 4> kMpeg1SampleRates = {44100, 48000, 32000, 0};
constexpr std::array<uint32_t, 4> kMpeg2SampleRates = {22050, 24000, 16000, 0};
constexpr std::array<uint32_t, 4> kMpeg25SampleRates = {11025, 12000, 8000, 0};

constexpr uint32_t kBitRateFree = 0;
constexpr uint32_t kBitRateBad = 15;
constexpr uint32_t kRateReserved = 3;
constexpr uint32_t kVersionReserved = 1;

}  // namespace

bool ParseFrameHeader(std::span<const uint8_t, kMp3HeaderBytesRead> bytes, FrameFields& fields) {
  fields.version = (bytes[1] >> 3) & 3;
  fields.layer = (bytes[1] >> 1) & 3;
  fields.bitRate = bytes[2] >> 4;
  fields.rate = (bytes[2] >> 2) & 3;
  fields.padding = (bytes[2] >> 1) & 1;
  if (fields.version == kVersionReserved) return false;
  if (fields.layer != kLayer3 && fields.layer != kLayer2) return false;
  if (fields.bitRate == kBitRateFree || fields.bitRate == kBitRateBad) return false;
  if (fields.rate == kRateReserved) return false;

  fields.bitRate = BitRateOf(fields.version, fields.layer, fields.bitRate);
  fields.rate = SampleRateOf(fields.version, fields.rate);
  return true;
}

uint32_t BitRateOf(uint32_t version, uint32_t layer, uint32_t index) {
  if (version == kVersionReserved || layer == 0) return 0;
  const bool mpeg1 = version == kMpegVersion1;
  const auto& rates = layer == kLayer1   ? (mpeg1 ? kMpeg1Layer1Rates : kMpeg2Layer1Rates)
                      : !mpeg1           ? kMpeg2Rates
                      : layer == kLayer3 ? kMpeg1Layer3Rates
                                         : kMpeg1Layer2Rates;
  return rates[index & 15];
}

uint32_t SampleRateOf(uint32_t version, uint32_t index) {
  if (version == kVersionReserved) return 0;
  const auto& sampleRates = version == kMpegVersion1   ? kMpeg1SampleRates
                            : version == kMpegVersion2 ? kMpeg2SampleRates
                                                       : kMpeg25SampleRates;
  return sampleRates[index & 3];
}

uint32_t FrameLength(const FrameFields& fields) {
  const uint32_t factor =
      fields.layer == kLayer3 && fields.version != kMpegVersion1 ? 72000 : 144000;
  return (fields.bitRate * factor / fields.rate + fields.padding) % 65536;
}

Mp3Answer ScanFrames(std::span<const uint8_t> data) {
  const size_t size = data.size();
  const uint8_t* bytes = data.data();
  auto header = [&](size_t at) {
    return std::span<const uint8_t, kMp3HeaderBytesRead>(bytes + at, kMp3HeaderBytesRead);
  };
  auto reportable = [](const FrameFields& fields) {
    return Mp3Answer{true, fields.bitRate, fields.layer == kLayer3 ? kTypeLayer3 : kTypeLayer2};
  };

  // The last header parsed, first or second of a pair, and whether it was accepted.
  bool parsedAny = false;
  bool lastAccepted = false;
  FrameFields last;
  const size_t positions =
      size < kMp3HeaderBytesRead ? 0 : std::min(kMp3ScanPositions, size - kMp3HeaderBytesRead + 1);
  for (size_t i = 0; i < positions; ++i) {
    if (!IsSyncCandidate(bytes + i)) continue;
    FrameFields first;
    parsedAny = true;
    lastAccepted = ParseFrameHeader(header(i), first);
    last = first;
    if (!lastAccepted) continue;
    const size_t next = i + FrameLength(first);
    if (next > size - kMp3HeaderBytesRead || !IsSyncCandidate(bytes + next)) continue;
    FrameFields second;
    lastAccepted = ParseFrameHeader(header(next), second);
    last = second;
    if (lastAccepted) return reportable(second);
  }
  if (parsedAny && lastAccepted) return reportable(last);
  return {};
}

}  // namespace vorpex::protocol
