#include "devicelib/mp3_header.h"

#include "ORVANEUsbDll.h"
#include "protocol/mp3_frame.h"

namespace vorpex::device {

static_assert(protocol::kMp3ScanBytes == ORVANE_MP3_SCAN_BYTES);
static_assert(protocol::kTypeLayer3 == ORVANE_MP3_LAYER3 &&
              protocol::kTypeLayer2 == ORVANE_MP3_LAYER2);

int32_t GetBitRateAndType(const uint8_t* data, uint32_t length, int32_t* bitRate, int32_t* type) {
  const protocol::Mp3Answer answer =
      data ? protocol::ScanFrames({data, length}) : protocol::Mp3Answer{};
  if (bitRate) *bitRate = static_cast<int32_t>(answer.bitRate);
  if (!answer.found) return 0;
  if (type) *type = static_cast<int32_t>(answer.type);
  return 1;
}

}  // namespace vorpex::device
