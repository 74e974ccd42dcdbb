// MPEG audio frame headers (MPEG-1, MPEG-2 and MPEG 2.5; Layers II and III): reading one header
// and finding a confirmed frame near the start of a file, within a buffer of known length.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorpex::protocol {

// Raw values of the version and layer fields.
inline constexpr uint32_t kMpegVersion1 = 3;
inline constexpr uint32_t kMpegVersion2 = 2;
inline constexpr uint32_t kMpegVersion25 = 0;
inline constexpr uint32_t kLayer3 = 1;
inline constexpr uint32_t kLayer2 = 2;
inline constexpr uint32_t kLayer1 = 3;

// Type codes reported to callers.
inline constexpr uint32_t kTypeLayer3 = 16;
inline constexpr uint32_t kTypeLayer2 = 64;

// Positions at which a frame may start, the longest frame, and the header bytes read: a buffer of
// kMp3ScanBytes lets the scan look everywhere it can.
inline constexpr size_t kMp3ScanPositions = 16384;
inline constexpr size_t kMp3LongestFrame = 2881;
inline constexpr size_t kMp3HeaderBytesRead = 3;
inline constexpr size_t kMp3ScanBytes =
    kMp3ScanPositions - 1 + kMp3LongestFrame + kMp3HeaderBytesRead;  // 19267

// The fields of one header. ParseFrameHeader stores the raw fields first; an accepted header's
// bitRate is then in kbit/s and its rate in Hz.
struct FrameFields {
  uint32_t version = 0;
  uint32_t layer = 0;
  uint32_t bitRate = 0;
  uint32_t rate = 0;
  uint32_t padding = 0;
};

// The sync test on the first two header bytes: 0xFF and the top three bits of the next set.
constexpr bool IsSyncCandidate(const uint8_t* bytes) {
  return bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0;
}

// Reads the first three bytes of a header. Rejects the reserved version, Layer I and the
// reserved layer, the free-format and forbidden bit-rate indexes and the reserved sampling rate.
bool ParseFrameHeader(std::span<const uint8_t, kMp3HeaderBytesRead> bytes, FrameFields& fields);

// The standard's tables by raw field: the bit rate in kbit/s (0 for the free-format index 0, the
// forbidden 15, the reserved version or layer) and the sampling rate in Hz (0 when reserved).
uint32_t BitRateOf(uint32_t version, uint32_t layer, uint32_t index);
uint32_t SampleRateOf(uint32_t version, uint32_t index);

// Bytes from an accepted header to the next one: 144000 x kbit/s / Hz plus the padding byte;
// 72000 for Layer III of MPEG-2 and MPEG 2.5, whose frames hold half as many samples.
uint32_t FrameLength(const FrameFields& fields);

struct Mp3Answer {
  bool found = false;  // a type was determined
  uint32_t bitRate = 0;
  uint32_t type = 0;  // kTypeLayer3 or kTypeLayer2 when found
};

// Scans the first kMp3ScanPositions positions of `data` for a header whose next frame begins where
// it says, and reports the second header's layer and bit rate. Without one, a last header that
// was accepted is reported on its own. Never reads past the end of `data`.
Mp3Answer ScanFrames(std::span<const uint8_t> data);

}  // namespace vorpex::protocol
