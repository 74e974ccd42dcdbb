// The start of an MP3 file of any shape through the bounded frame scan, and its first bytes as
// one frame header. The input is exactly as long as the fuzzer made it, so a read past its end
// is caught.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "protocol/mp3_frame.h"

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
  return 0;
}
