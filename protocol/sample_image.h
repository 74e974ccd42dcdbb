// The mark of the sample images that come with the programs: our own patterns, not firmware.
// Their data begin with a fixed text, so that a program can tell one from firmware wherever
// the file travels, and refuse to send it to a real player.
#pragma once
#include <cstddef>
#include <string_view>

namespace vorpex::protocol {

inline constexpr std::string_view kSampleImageMark = "VORPEX SAMPLE IMAGE - NOT FIRMWARE";
// How much of a file's beginning holds the records that would carry the mark.
inline constexpr size_t kSampleImageHead = 4096;

// True when the data of the Intel HEX text, from its first data record on and without a gap,
// begin with the mark. The text may be the file's beginning only: the mark lies in its first
// records.
bool IsSampleImage(std::string_view hexText);

}  // namespace vorpex::protocol
