// MP3 header reading for callers that prepare music: the scan's answer in the exports' terms.
#pragma once
#include <cstdint>
#include <span>

namespace vorpex::device {

// 1 with *type and *bitRate set when a type was determined; 0 with *bitRate 0 and *type left
// alone when not. A null output is not written; null data with a nonzero length finds nothing.
int32_t GetBitRateAndType(const uint8_t* data, uint32_t length, int32_t* bitRate, int32_t* type);

}  // namespace vorpex::device
