// Intel HEX firmware files into flat binary images.
#pragma once
#include <cstdint>
#include <string>

namespace vorpex::chip {

enum class HexOutcome {
  kConverted,
  kSourceUnreadable,       // the HEX file cannot be opened or read
  kDestinationUnwritable,  // the image cannot be created or written
  kSameFile,               // the image would overwrite the HEX file itself
  kMalformed,              // a record is cut short, holds a non-hex digit or fails its checksum
  kRunsOn,                 // a record is followed by more than blanks on its line
  kStrayLine,              // records follow a line that is not one
  kTooLarge,               // the image would exceed the largest firmware image
  kCutShort,               // no end-of-file record, where one is required
};

struct HexConversion {
  HexOutcome outcome = HexOutcome::kConverted;
  uint32_t systemError = 0;  // the system's code when a file could not be opened or written
  size_t line = 0;           // the HEX file's line (from 1) the fault lies on, 0 when unknown
};

// Converts `sourcePath` into an image whose byte 0 belongs to address `base`. With
// `requireEndOfFile` a text without an end-of-file record is refused as cut short. On failure no
// destination file is left behind, and one that existed is untouched when the two paths name
// the same file.
HexConversion ConvertHex(const char* sourcePath, const char* destinationPath, uint32_t base,
                         bool requireEndOfFile);

// 1 on success; 0 on failure. A text without an end-of-file record converts up to its end.
int32_t ConvertHexToBin(const char* sourcePath, const char* destinationPath, uint32_t base);

// The conversion of a firmware upgrade: as ConvertHex with the end-of-file record required; a
// failure is recorded in the error state (code 6 with the system's code, or 13 for a file that
// is not whole and well-formed) with its reason in plain words.
int32_t ConvertHexForUpgrade(const char* sourcePath, const char* destinationPath, uint32_t base);

// What a conversion's outcome means to the user, naming the HEX file and the line at fault.
std::string HexOutcomeText(const HexConversion& result, const std::string& sourcePath);

}  // namespace vorpex::chip
