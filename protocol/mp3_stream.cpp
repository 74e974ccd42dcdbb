#include "protocol/mp3_stream.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "protocol/mp3_frame.h"

namespace vorpex::protocol {
namespace {

constexpr uint32_t kEmphasisReserved = 2;
constexpr uint32_t kFrameLength1 = 12000;  // Layer I: 32-bit slots of 12 x kbit/s / kHz
constexpr uint32_t kFrameLength2 = 144000;
constexpr uint32_t kId3v4Footer = 0x10;
constexpr uint32_t kApeFooterBytes = 32;
constexpr uint32_t kApeHasHeader = 0x80000000u;
constexpr size_t kId3v1Bytes = 128;
constexpr size_t kVbriOffset = 4 + 32;

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

uint32_t LittleEndian32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t{bytes[at + 3]} << 24 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 1]} << 8 | bytes[at];
}

bool HoldsText(std::span<const uint8_t> bytes, size_t at, std::string_view text) {
  if (at + text.size() > bytes.size()) return false;
  return std::equal(text.begin(), text.end(), bytes.begin() + static_cast<ptrdiff_t>(at),
                    [](char c, uint8_t b) { return static_cast<uint8_t>(c) == b; });
}

// A frame of the stream of `like` at `at`, whole within `audio`.
std::optional<MpegHeader> FrameAt(std::span<const uint8_t> audio, size_t at,
                                  const MpegHeader& like) {
  if (at + kMpegHeaderBytes > audio.size()) return std::nullopt;
  auto header = DecodeMpegHeader(audio.subspan(at));
  if (!header || !SameStream(*header, like)) return std::nullopt;
  return header;
}

// Whether frames of one stream follow each other from `at`: `needed` of them, or at least two
// that end exactly at the end of `audio` when `audioEnds`.
bool RunFrom(std::span<const uint8_t> audio, size_t at, const MpegHeader& first, uint32_t needed,
             bool audioEnds) {
  size_t next = at + first.length;
  for (uint32_t count = 1; count < needed; ++count) {
    if (audioEnds && next == audio.size() && count >= 2) return true;
    auto header = FrameAt(audio, next, first);
    if (!header) return false;
    // Layer I is coded at one rate throughout: its frames must agree in that and their mode too.
    if (first.layer == 1 && (header->bitRate != first.bitRate || header->mode != first.mode)) {
      return false;
    }
    next += header->length;
  }
  return true;
}

struct EncoderFigures {
  VbrHeader kind = VbrHeader::kNone;
  uint32_t frames = 0;  // 0 when not given
  uint32_t bytes = 0;
};

// The Xing or Info header lame and others write after the side information of a Layer III
// frame, or the VBRI header at a fixed place; `frame` is the frame's bytes.
EncoderFigures ReadEncoderFigures(std::span<const uint8_t> frame, const MpegHeader& header) {
  EncoderFigures figures;
  if (header.layer != 3) return figures;
  const bool mono = header.mode == ChannelMode::kMono;
  const size_t sideInfo = header.version == kMpegVersion1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const size_t xing = kMpegHeaderBytes + sideInfo;
  if ((HoldsText(frame, xing, "Xing") || HoldsText(frame, xing, "Info")) &&
      xing + 8 <= frame.size()) {
    figures.kind = frame[xing] == 'X' ? VbrHeader::kXing : VbrHeader::kInfo;
    const uint32_t flags = BigEndian32(frame, xing + 4);
    size_t at = xing + 8;
    if ((flags & 1) != 0 && at + 4 <= frame.size()) {
      figures.frames = BigEndian32(frame, at);
      at += 4;
    }
    if ((flags & 2) != 0 && at + 4 <= frame.size()) figures.bytes = BigEndian32(frame, at);
  } else if (HoldsText(frame, kVbriOffset, "VBRI") && kVbriOffset + 18 <= frame.size()) {
    figures.kind = VbrHeader::kVbri;
    figures.bytes = BigEndian32(frame, kVbriOffset + 10);
    figures.frames = BigEndian32(frame, kVbriOffset + 14);
  }
  return figures;
}

// The next frame at or after `from` that starts a run of two (or one that ends the audio).
std::optional<size_t> Resync(std::span<const uint8_t> audio, size_t from, const MpegHeader& like) {
  for (size_t at = from; at + kMpegHeaderBytes <= audio.size(); ++at) {
    if (audio[at] != 0xFF) continue;
    auto header = FrameAt(audio, at, like);
    if (!header) continue;
    const size_t next = at + header->length;
    if (next == audio.size() || FrameAt(audio, next, like)) return at;
  }
  return std::nullopt;
}

}  // namespace

std::optional<MpegHeader> DecodeMpegHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kMpegHeaderBytes || !IsSyncCandidate(bytes.data())) return std::nullopt;
  MpegHeader header;
  header.version = (bytes[1] >> 3) & 3;
  const uint32_t layerField = (bytes[1] >> 1) & 3;
  if (layerField == 0) return std::nullopt;
  header.layer = 4 - layerField;
  header.bitRate = BitRateOf(header.version, layerField, bytes[2] >> 4);
  header.sampleRate = SampleRateOf(header.version, (bytes[2] >> 2) & 3);
  if (header.bitRate == 0 || header.sampleRate == 0) return std::nullopt;
  if ((bytes[3] & 3) == kEmphasisReserved) return std::nullopt;
  const uint32_t padding = (bytes[2] >> 1) & 1;
  header.mode = static_cast<ChannelMode>(bytes[3] >> 6);
  const bool mpeg1 = header.version == kMpegVersion1;
  if (header.layer == 1) {
    header.length = (kFrameLength1 * header.bitRate / header.sampleRate + padding) * 4;
    header.samples = 384;
  } else if (header.layer == 2 || mpeg1) {
    header.length = kFrameLength2 * header.bitRate / header.sampleRate + padding;
    header.samples = 1152;
  } else {
    header.length = kFrameLength2 / 2 * header.bitRate / header.sampleRate + padding;
    header.samples = 576;
  }
  return header;
}

bool SameStream(const MpegHeader& a, const MpegHeader& b) {
  return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

std::optional<uint64_t> Id3v2TagBytes(std::span<const uint8_t> start) {
  if (start.size() < kId3v2HeaderBytes || !HoldsText(start, 0, "ID3")) return std::nullopt;
  const uint8_t major = start[3];
  if (major < 2 || major > 4 || start[4] == 0xFF) return std::nullopt;
  uint64_t size = 0;
  for (size_t k = 6; k < kId3v2HeaderBytes; ++k) {
    if ((start[k] & 0x80) != 0) return std::nullopt;
    size = size << 7 | start[k];
  }
  const bool footer = major == 4 && (start[5] & kId3v4Footer) != 0;
  return kId3v2HeaderBytes + size + (footer ? kId3v2HeaderBytes : 0);
}

uint64_t TrailingTagBytes(std::span<const uint8_t> tail, uint64_t fileSize) {
  uint64_t strip = 0;
  if (tail.size() >= kId3v1Bytes && HoldsText(tail, tail.size() - kId3v1Bytes, "TAG")) {
    strip = kId3v1Bytes;
  }
  if (tail.size() >= strip + kApeFooterBytes) {
    const size_t footer = tail.size() - static_cast<size_t>(strip) - kApeFooterBytes;
    if (HoldsText(tail, footer, "APETAGEX")) {
      const uint64_t size = LittleEndian32(tail, footer + 12);
      const uint32_t flags = LittleEndian32(tail, footer + 20);
      const uint64_t bytes = size + ((flags & kApeHasHeader) != 0 ? kApeFooterBytes : 0);
      if (size >= kApeFooterBytes && strip + bytes <= fileSize) strip += bytes;
    }
  }
  return strip;
}

std::optional<StreamStart> FindStream(std::span<const uint8_t> audio, bool audioEnds) {
  const size_t positions = std::min(audio.size(), kStreamSearchBytes);
  for (size_t at = 0; at < positions; ++at) {
    if (audio[at] != 0xFF) continue;
    auto header = DecodeMpegHeader(audio.subspan(at));
    const uint32_t needed =
        header && header->layer == 1 ? kConfirmingLayer1Frames : kConfirmingFrames;
    if (header && RunFrom(audio, at, *header, needed, audioEnds)) {
      return StreamStart{at, *header};
    }
  }
  return std::nullopt;
}

std::optional<StreamInfo> DescribeStream(std::span<const uint8_t> audio) {
  const auto start = FindStream(audio, true);
  if (!start) return std::nullopt;
  StreamInfo info;
  info.first = start->header;
  info.audioStart = start->offset;
  size_t at = start->offset;
  const size_t firstEnd = std::min(audio.size(), at + start->header.length);
  const EncoderFigures figures =
      ReadEncoderFigures(audio.subspan(at, firstEnd - at), start->header);
  info.vbrHeader = figures.kind;
  if (figures.kind != VbrHeader::kNone) at = firstEnd;

  uint64_t bytes = 0;
  uint32_t lowest = UINT32_MAX;
  uint32_t highest = 0;
  while (at + kMpegHeaderBytes <= audio.size()) {
    auto header = FrameAt(audio, at, start->header);
    if (header && at + header->length > audio.size()) break;  // cut off: not decodable
    if (!header) {
      auto next = Resync(audio, at + 1, start->header);
      if (!next) break;
      at = *next;
      continue;
    }
    if (info.frames == 0) info.first = *header;
    ++info.frames;
    bytes += header->length;
    lowest = std::min(lowest, header->bitRate);
    highest = std::max(highest, header->bitRate);
    at += header->length;
  }

  const uint64_t samples = info.first.samples;
  const uint64_t sampleRate = info.first.sampleRate;
  info.milliseconds =
      (figures.frames != 0 ? figures.frames : info.frames) * samples * 1000 / sampleRate;
  info.variable = figures.kind == VbrHeader::kXing || figures.kind == VbrHeader::kVbri ||
                  (info.frames != 0 && lowest != highest);
  info.bitRate = info.first.bitRate;
  // The encoder's figures together when it gives both, else the frames walked.
  const bool encoderFigures = figures.frames != 0 && figures.bytes != 0;
  const uint64_t total = encoderFigures ? figures.bytes : bytes;
  const uint64_t perMillisecond = (encoderFigures ? figures.frames : info.frames) * samples;
  if (info.variable && perMillisecond != 0) {
    // kbit/s = bits x sampleRate / (samples x 1000), rounded.
    const uint64_t divisor = perMillisecond * 1000;
    info.bitRate = static_cast<uint32_t>((total * 8 * sampleRate + divisor / 2) / divisor);
  }
  return info;
}

}  // namespace vorpex::protocol
