// The start of an MP3 file of any shape through the bounded frame scan, its first bytes as one
// frame header, and the whole input as a music file: its tags and the stream between them. The
// input is exactly as long as the fuzzer made it, so a read past its end is caught.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "protocol/mp3_frame.h"
#include "protocol/mp3_stream.h"

namespace {

void DescribeMusic(std::span<const uint8_t> data) {
  using namespace vorpex::protocol;
  const uint64_t lead = Id3v2TagBytes(data).value_or(0);
  if (lead > data.size()) return;
  const auto audio = data.subspan(static_cast<size_t>(lead));
  const size_t tail = std::min(audio.size(), kTrailingTagWindow);
  const uint64_t trailing = TrailingTagBytes(audio.last(tail), audio.size());
  if (trailing > audio.size()) abort();
  const auto stream = audio.first(audio.size() - static_cast<size_t>(trailing));
  const auto start = FindStream(stream, true);
  const auto info = DescribeStream(stream);
  if (start.has_value() != info.has_value()) abort();
  if (!info) return;
  if (info->audioStart != start->offset || info->first.layer < 1 || info->first.layer > 3) abort();
  if (!info->variable && info->bitRate != info->first.bitRate) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorpex::protocol;
  const auto answer = ScanFrames(std::span(data, size));
  if (answer.found && answer.type != kTypeLayer2 && answer.type != kTypeLayer3) abort();
  if (size >= kMp3HeaderBytesRead) {
    FrameFields fields;
    if (ParseFrameHeader(std::span<const uint8_t, kMp3HeaderBytesRead>(data, kMp3HeaderBytesRead),
                         fields) &&
        FrameLength(fields) > kMp3LongestFrame) {
      abort();
    }
  }
  if (auto header = DecodeMpegHeader(std::span(data, size))) {
    if (header->length > kMp3LongestFrame || header->length < kMpegHeaderBytes) abort();
  }
  DescribeMusic(std::span(data, size));
  return 0;
}
