// What a music file is: the MPEG audio stream inside it (Layers I, II and III of MPEG-1, MPEG-2
// and MPEG 2.5) between an ID3v2 tag in front and ID3v1 and APE tags behind, with its version,
// layer, sampling rate, channel mode, duration and constant or average bit rate. Pure: the caller
// reads the file and hands over its bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vorpex::protocol {

enum class ChannelMode : uint8_t { kStereo, kJointStereo, kDualChannel, kMono };

// One frame header, decoded.
struct MpegHeader {
  uint32_t version = 0;     // raw field: kMpegVersion1, kMpegVersion2 or kMpegVersion25
  uint32_t layer = 0;       // 1, 2 or 3
  uint32_t bitRate = 0;     // kbit/s
  uint32_t sampleRate = 0;  // Hz
  ChannelMode mode = ChannelMode::kStereo;
  uint32_t length = 0;   // bytes of the frame, its header included
  uint32_t samples = 0;  // per channel
};

inline constexpr size_t kMpegHeaderBytes = 4;

// The header at the start of `bytes` (at least four of them): nullopt without the sync bits, for
// a reserved version, layer or sampling rate, and for the free-format and forbidden bit rates.
std::optional<MpegHeader> DecodeMpegHeader(std::span<const uint8_t> bytes);

// Frames of one stream: the same version, layer and sampling rate.
bool SameStream(const MpegHeader& a, const MpegHeader& b);

// An ID3v2 tag's header is ten bytes.
inline constexpr size_t kId3v2HeaderBytes = 10;

// The bytes an ID3v2 tag at the start of `start` takes (header, body and footer, as its header
// declares them), or nullopt when `start` does not begin with a well-formed tag header.
std::optional<uint64_t> Id3v2TagBytes(std::span<const uint8_t> start);

// A file's last bytes that hold every trailing tag footer looked at: an APE tag's 32-byte footer
// in front of the 128-byte ID3v1 tag.
inline constexpr size_t kTrailingTagWindow = 160;

// The bytes that an ID3v1 tag and an APE tag (with its header when it declares one) take at the
// end of a file of `fileSize` bytes, from its last bytes `tail` (up to kTrailingTagWindow).
uint64_t TrailingTagBytes(std::span<const uint8_t> tail, uint64_t fileSize);

// Consecutive frames that must agree, each starting where the one before says, for bytes to be
// MPEG audio; fewer do when they end exactly where the audio does.
inline constexpr uint32_t kConfirmingFrames = 3;
// Layer I asks for more: its sync word with no CRC (0xFF 0xFF) is common in machine code and
// tables, where runs of such headers that point at one another occur; its confirming frames must
// also agree in bit rate and channel mode (Layer I is coded at one rate throughout). Libraries of
// a Debian system hold runs of up to 17 such frames.
inline constexpr uint32_t kConfirmingLayer1Frames = 32;
inline constexpr size_t kLongestLayer1Frame = 672;  // 448 kbit/s at 32000 Hz, padded
// How far into the audio (after any ID3v2 tag) the first frame may start.
inline constexpr size_t kStreamSearchBytes = 131072;

// Bytes from the start of the audio that hold every place the first frame may start and the
// frames that confirm it.
inline constexpr size_t kStreamWindowBytes =
    kStreamSearchBytes + (kConfirmingLayer1Frames + 1) * kLongestLayer1Frame;

struct StreamStart {
  size_t offset = 0;  // of the first frame within the bytes searched
  MpegHeader header;
};

// The first frame in `audio` at which kConfirmingFrames frames (Layer I: kConfirmingLayer1Frames)
// follow one another, each of the
// same stream and starting where the one before ends, within the first kStreamSearchBytes.
// `audioEnds`: the audio ends with `audio`, so a shorter run that fills it to its end (at least
// two frames) counts too; otherwise the audio may go on beyond it.
std::optional<StreamStart> FindStream(std::span<const uint8_t> audio, bool audioEnds);

// A first frame that carries no audio but the encoder's figures of the stream.
enum class VbrHeader { kNone, kXing, kInfo, kVbri };

struct StreamInfo {
  MpegHeader first;  // of the first audio frame
  VbrHeader vbrHeader = VbrHeader::kNone;
  bool variable = false;  // a Xing or VBRI header, or frames of differing bit rates
  uint32_t bitRate = 0;   // kbit/s: the frames' when constant, else the average
  uint64_t frames = 0;    // audio frames
  uint64_t milliseconds = 0;
  uint64_t audioStart = 0;  // offset of the first frame in the bytes described
};

// The MPEG audio stream in `audio` (a file without its tags), or nullopt when it holds none.
// Frames after the first are walked to the end; bytes between them that are no frame of the
// stream are passed over to the next run of agreeing frames.
std::optional<StreamInfo> DescribeStream(std::span<const uint8_t> audio);

}  // namespace vorpex::protocol
