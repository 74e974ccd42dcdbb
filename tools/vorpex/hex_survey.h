// A first look at an Intel HEX file, read the way the conversion reads it: whether it holds data
// at all, where they lie, whether an end-of-file record closes them, and the line at fault when
// it is damaged. Tells which firmware area a file that did not fit its own looks to be for.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/hex_image.h"

namespace vorpex::cli {

struct HexSurvey {
  bool data = false;       // some record puts bytes somewhere
  uint64_t lowest = 0;     // the lowest address holding data
  uint64_t end = 0;        // one past the highest address holding data
  bool endOfFile = false;  // an end-of-file record closes the data
  protocol::HexFailure failure = protocol::HexFailure::kNone;
  size_t line = 0;  // where the failure lies
};

// nullopt when the file cannot be read.
std::optional<HexSurvey> SurveyHexFile(const std::string& path);

// For a file the `boot` (or codec) area refused as empty or too large: "this looks like a codec
// file ...; use vorpex upgrade codec FILE" when its data belong to the other area, or what
// is wrong with it for this one. Empty when the survey says nothing more.
std::string AreaHint(const HexSurvey& survey, bool boot, const std::string& path);

}  // namespace vorpex::cli
