// Intel HEX records: one line of text into a record, checked digit by digit and by checksum.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace vorpex::protocol {

enum class HexRecordType : uint8_t {
  kData = 0x00,
  kEndOfFile = 0x01,
  kExtendedSegmentAddress = 0x02,
  kStartSegmentAddress = 0x03,
  kExtendedLinearAddress = 0x04,
  kStartLinearAddress = 0x05,
};

struct HexRecord {
  uint8_t count = 0;
  uint16_t address = 0;
  uint8_t type = 0;
  std::array<uint8_t, 255> data{};
};

enum class HexLine {
  kBlank,      // nothing but white space: skipped
  kNotRecord,  // does not start with ':': the data end here
  kRecord,     // a well-formed record
  kMalformed,  // starts with ':' but is cut short, holds a non-hex digit or fails its checksum
  kRunsOn,     // a well-formed record followed by more than blanks (two records that lost the
               // line end between them)
};

// Reads one line without its line end; only blanks may follow the checksum.
HexLine ParseHexLine(std::string_view line, HexRecord& record);

// A blank within a line: space, tab, form feed or vertical tab.
bool IsHexBlank(char c);

// The longest line prefix ParseHexLine looks at; a reader may drop whatever follows it.
inline constexpr size_t kHexLineSignificant = 1 + 2 * (1 + 2 + 1 + 255 + 1);

}  // namespace vorpex::protocol
